#include <filesystem>  // create_directories
#include <fstream>     // ifstream, ofstream
#include <iterator>    // istreambuf_iterator

#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"
#include "UpiAppRegistration.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::RunningSandbox;

constexpr auto kWait = std::chrono::seconds(30);

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

TEST(UpiAppTests, PaysTheOrderItsDeepLinkNamesTrustingTheSandboxCaOverHttps) {
  auto options = RunningSandbox::plainOptions();
  options.https = true;
  RunningSandbox sandbox(options);
  const auto order = sandbox.verify({{"moid", "upi-gpay"}, {"total", "499"}});
  // The deep link the component opens: "gpay://upi/" + the link without "upi://", with "%"
  // escaped once more.
  std::string deepLink;
  for (char c : "gpay://upi/" + order["u_link"].get<std::string>().substr(6)) {
    deepLink += c == '%' ? std::string("%25") : std::string(1, c);
  }
  const auto [exitCode, output] =
      ChildProcess::run({TARVEL_UPI_APP_EXE, deepLink},
                        {{"TARVEL_STAGING_API_URL", sandbox.server().apiBaseUrl()},
                         {"TARVEL_CA_FILE", sandbox.server().caFile()}},
                        kWait);
  ASSERT_EQ(exitCode, 0) << output;
  EXPECT_NE(output.find("499.00"), std::string::npos) << output;
  EXPECT_NE(output.find("Tarvel Sandbox Store"), std::string::npos) << output;
  EXPECT_NE(output.find("PAID"), std::string::npos) << output;
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PAID");
  EXPECT_EQ(sandbox.server().order(order["tarvel_oid"])->paidWith, "gpay");
}

TEST(UpiAppTests, RegisterMakesGioFindEveryAppAsTheDefaultHandler) {
  if (ChildProcess::run({"/usr/bin/gio", "version"}, {}, kWait).first != 0) {
    GTEST_SKIP() << "gio is not installed";
  }
  test::TemporaryDirectory folder;
  const auto applications = folder.path() / "data" / "applications";
  std::filesystem::create_directories(folder.path() / "config");
  std::filesystem::create_directories(applications);
  // An existing mimeapps.list keeps its other entries.
  std::ofstream(applications / "mimeapps.list")
      << "[Default Applications]\ntext/plain=editor.desktop\n"
         "x-scheme-handler/phonepe=old.desktop\n[Added Associations]\ntext/html=b.desktop\n";
  const std::map<std::string, std::string> environment = {
      {"XDG_DATA_HOME", (folder.path() / "data").string()},
      {"XDG_CONFIG_HOME", (folder.path() / "config").string()},
      {"XDG_DATA_DIRS", (folder.path() / "none").string()}};
  const auto registered = ChildProcess::run(
      {TARVEL_UPI_APP_EXE, "--register", (folder.path() / "data").string()}, environment, kWait);
  ASSERT_EQ(registered.first, 0) << registered.second;

  for (const auto& app : UpiAppRegistration::apps()) {
    const auto query = ChildProcess::run({"/usr/bin/gio", "mime", "x-scheme-handler/" + app.scheme},
                                         environment, kWait)
                           .second;
    EXPECT_NE(query.find("Default application for \u201cx-scheme-handler/" + app.scheme),
              std::string::npos)
        << query;
    EXPECT_NE(query.find(UpiAppRegistration::desktopFileName(app.scheme)), std::string::npos)
        << query;
  }
  const auto list = readFile(applications / "mimeapps.list");
  EXPECT_NE(list.find("text/plain=editor.desktop"), std::string::npos) << list;
  EXPECT_NE(list.find("[Added Associations]\ntext/html=b.desktop"), std::string::npos) << list;
  EXPECT_EQ(list.find("old.desktop"), std::string::npos) << list;

  const auto desktop = readFile(applications / UpiAppRegistration::desktopFileName("paytm"));
  EXPECT_NE(desktop.find(std::string("Exec=") + TARVEL_UPI_APP_EXE + " %u"), std::string::npos)
      << desktop;
  EXPECT_NE(desktop.find("NoDisplay=true"), std::string::npos);
  EXPECT_NE(desktop.find("MimeType=x-scheme-handler/paytm;"), std::string::npos);
}

}  // namespace
}  // namespace tarvel::sandbox
