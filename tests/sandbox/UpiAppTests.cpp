#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"
#include "UpiAppRegistration.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::readFile;
using testing::RunningSandbox;

// The app decodes the link once, as a real one does: only the link as the platform encoded it
// pays; escaped twice, its payee reads "tarvel.sandbox%40upi", which is nobody's.
TEST(UpiAppTests, PaysTheOrderItsDeepLinkNamesToTheOrdersPayeeOnly) {
  RunningSandbox sandbox([](SandboxOptions& options) { options.https = true; });
  struct Case {
    const char* name;
    std::string from, to;  // replaced in the link
    bool pays;
  };
  for (const Case& c :
       {Case{"as the platform encoded it", "", "", true}, Case{"escaped twice", "%", "%25", false},
        Case{"another payee", "tarvel.sandbox%40upi", "attacker@upi", false}}) {
    SCOPED_TRACE(c.name);
    const auto order =
        sandbox.verify({{"moid", std::string("upi-gpay-") + c.name}, {"total", "499"}});
    const std::string link = "gpay://upi/" + order["u_link"].get<std::string>().substr(6);
    const std::string deepLink = c.from.empty() ? link : testing::replaceAll(link, c.from, c.to);
    const auto [exitCode, output] = ChildProcess::run(
        {TARVEL_UPI_APP_EXE, deepLink}, {{"TARVEL_STAGING_API_URL", sandbox.server().apiBaseUrl()},
                                         {"TARVEL_CA_FILE", sandbox.server().caFile()}});
    EXPECT_EQ(exitCode, c.pays ? 0 : 1) << output;
    EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), c.pays ? "PAID" : "PENDING");
    if (c.pays) {
      EXPECT_NE(output.find("499.00"), std::string::npos) << output;
      EXPECT_NE(output.find("Tarvel Sandbox Store"), std::string::npos) << output;
      EXPECT_EQ(sandbox.server().order(order["tarvel_oid"])->paidWith, "gpay");
    } else {
      EXPECT_NE(output.find("is not the order's payee"), std::string::npos) << output;
    }
  }
}

TEST(UpiAppTests, RegisterMakesGioFindEveryAppAsTheDefaultHandler) {
  if (ChildProcess::run({"/usr/bin/gio", "version"}).first != 0) {
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
      {TARVEL_UPI_APP_EXE, "--register", (folder.path() / "data").string()}, environment);
  ASSERT_EQ(registered.first, 0) << registered.second;

  for (const auto& app : UpiAppRegistration::apps()) {
    const auto query =
        ChildProcess::run({"/usr/bin/gio", "mime", "x-scheme-handler/" + app.scheme}, environment)
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
