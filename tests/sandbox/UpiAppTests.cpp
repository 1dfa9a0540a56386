#include <gtest/gtest.h>

#include <chrono>      // seconds
#include <filesystem>  // create_directories, exists
#include <fstream>     // ifstream, ofstream
#include <iterator>    // istreambuf_iterator
#include <map>         // map
#include <thread>      // sleep_for

#include "ChildProcess.h"
#include "SandboxTestSupport.h"
#include "UpiAppRegistration.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::RunningSandbox;
using testing::TemporaryFolder;

constexpr auto kRunTimeout = std::chrono::seconds(30);

// The deep link the component opens for `app`: "<app>://upi/" + the link without "upi://",
// with "%" escaped once more.
std::string deepLinkFor(const std::string& app, const std::string& upiLink) {
  std::string escaped;
  for (char c : app + "://upi/" + upiLink.substr(6)) {
    escaped += c == '%' ? std::string("%25") : std::string(1, c);
  }
  return escaped;
}

std::map<std::string, std::string> sandboxEnvironment(SandboxServer& server) {
  std::map<std::string, std::string> environment = {
      {"TARVEL_STAGING_API_URL", server.apiBaseUrl()}};
  environment["TARVEL_CA_FILE"] = server.caFile();
  return environment;
}

void expectAppPays(RunningSandbox& sandbox, const std::string& app) {
  const auto order = sandbox.verify({{"moid", "upi-" + app}, {"total", "499"}});
  const auto result = ChildProcess::run({TARVEL_UPI_APP_EXE, deepLinkFor(app, order["u_link"])},
                                        sandboxEnvironment(sandbox.server()), kRunTimeout);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("499.00"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Tarvel Sandbox Store"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("PAID"), std::string::npos) << result.output;
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PAID");
  EXPECT_EQ(sandbox.server().order(order["tarvel_oid"])->paidWith, app);
}

TEST(UpiAppTests, PaysTheOrderItsDeepLinkNames) {
  RunningSandbox sandbox;
  expectAppPays(sandbox, "phonepe");
}

TEST(UpiAppTests, TrustsTheSandboxCertificateAuthorityOverHttps) {
  auto options = RunningSandbox::plainOptions();
  options.https = true;
  RunningSandbox sandbox(options);
  expectAppPays(sandbox, "gpay");
}

TEST(UpiAppTests, FailsWithAClearMessageWhenThePaymentIsNotRecorded) {
  RunningSandbox sandbox;
  const auto environment = sandboxEnvironment(sandbox.server());

  const auto unknown = ChildProcess::run(
      {TARVEL_UPI_APP_EXE, "bhim://upi/pay?pa=a&am=1.00&tr=tvl_missing"}, environment, kRunTimeout);
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.output.find("unknown order"), std::string::npos) << unknown.output;

  const auto notALink =
      ChildProcess::run({TARVEL_UPI_APP_EXE, "bhim://app"}, environment, kRunTimeout);
  EXPECT_EQ(notALink.exitCode, 2);

  const auto noSandbox = ChildProcess::run({TARVEL_UPI_APP_EXE, "bhim://upi/pay?tr=x"},
                                           {{"TARVEL_STAGING_API_URL", ""}}, kRunTimeout);
  EXPECT_EQ(noSandbox.exitCode, 1);
  EXPECT_NE(noSandbox.output.find("TARVEL_STAGING_API_URL"), std::string::npos);

  // A sandbox that is gone: the port of a server that stopped.
  int port = 0;
  {
    RunningSandbox gone;
    port = gone.server().port();
  }
  const auto unreachable = ChildProcess::run(
      {TARVEL_UPI_APP_EXE, "bhim://upi/pay?tr=x"},
      {{"TARVEL_STAGING_API_URL", "http://127.0.0.1:" + std::to_string(port) + "/api/"}},
      kRunTimeout);
  EXPECT_EQ(unreachable.exitCode, 1);
  EXPECT_NE(unreachable.output.find("cannot reach"), std::string::npos) << unreachable.output;
}

bool gioAvailable() {
  return ChildProcess::run({"/usr/bin/gio", "version"}, {}, kRunTimeout).exitCode == 0;
}

std::map<std::string, std::string> xdgEnvironment(const TemporaryFolder& folder) {
  return {{"XDG_DATA_HOME", (folder.path() / "data").string()},
          {"XDG_CONFIG_HOME", (folder.path() / "config").string()},
          {"XDG_DATA_DIRS", (folder.path() / "none").string()}};
}

TEST(UpiAppTests, RegisterMakesGioFindEveryAppAsTheDefaultHandler) {
  if (!gioAvailable()) GTEST_SKIP() << "gio is not installed";
  TemporaryFolder folder;
  std::filesystem::create_directories(folder.path() / "config");
  // An existing mimeapps.list keeps its other entries.
  std::filesystem::create_directories(folder.path() / "data" / "applications");
  {
    std::ofstream list(folder.path() / "data" / "applications" / "mimeapps.list");
    list << "[Default Applications]\ntext/plain=editor.desktop\n"
            "x-scheme-handler/phonepe=old.desktop\n[Added Associations]\ntext/html=b.desktop\n";
  }
  const auto environment = xdgEnvironment(folder);
  const auto registered =
      ChildProcess::run({TARVEL_UPI_APP_EXE, "--register", (folder.path() / "data").string()},
                        environment, kRunTimeout);
  ASSERT_EQ(registered.exitCode, 0) << registered.output;

  for (const auto& app : UpiAppRegistration::apps()) {
    const auto query = ChildProcess::run({"/usr/bin/gio", "mime", "x-scheme-handler/" + app.scheme},
                                         environment, kRunTimeout);
    EXPECT_NE(query.output.find("Default application for \u201cx-scheme-handler/" + app.scheme),
              std::string::npos)
        << query.output;
    EXPECT_NE(query.output.find(UpiAppRegistration::desktopFileName(app.scheme)), std::string::npos)
        << query.output;
  }
  std::ifstream list(folder.path() / "data" / "applications" / "mimeapps.list");
  const std::string text((std::istreambuf_iterator<char>(list)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("text/plain=editor.desktop"), std::string::npos) << text;
  EXPECT_NE(text.find("[Added Associations]\ntext/html=b.desktop"), std::string::npos) << text;
  EXPECT_EQ(text.find("old.desktop"), std::string::npos) << text;

  std::ifstream entry(folder.path() / "data" / "applications" /
                      UpiAppRegistration::desktopFileName("paytm"));
  const std::string desktop((std::istreambuf_iterator<char>(entry)),
                            std::istreambuf_iterator<char>());
  EXPECT_NE(desktop.find(std::string("Exec=") + TARVEL_UPI_APP_EXE + " %u"), std::string::npos)
      << desktop;
  EXPECT_NE(desktop.find("NoDisplay=true"), std::string::npos);
  EXPECT_NE(desktop.find("MimeType=x-scheme-handler/paytm;"), std::string::npos);
}

TEST(UpiAppTests, GioLaunchesTheRegisteredAppWhichPaysTheOrder) {
  if (!gioAvailable()) GTEST_SKIP() << "gio is not installed";
  RunningSandbox sandbox;
  TemporaryFolder folder;
  auto environment = xdgEnvironment(folder);
  const auto registered =
      ChildProcess::run({TARVEL_UPI_APP_EXE, "--register", (folder.path() / "data").string()},
                        environment, kRunTimeout);
  ASSERT_EQ(registered.exitCode, 0) << registered.output;

  const auto order = sandbox.verify({{"moid", "launched-1"}, {"total", "75"}});
  for (const auto& [name, value] : sandboxEnvironment(sandbox.server())) environment[name] = value;
  const auto opened = ChildProcess::run(
      {"/usr/bin/gio", "open", deepLinkFor("paytm", order["u_link"])}, environment, kRunTimeout);
  ASSERT_EQ(opened.exitCode, 0) << opened.output;

  // The launched app runs on its own; wait a bounded time for the payment to arrive.
  bool paid = false;
  for (int i = 0; i < 300 && !paid; ++i) {
    paid = sandbox.server().order(order["tarvel_oid"])->status == PaymentStatus::paid;
    if (!paid) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(paid);
  EXPECT_EQ(sandbox.server().order(order["tarvel_oid"])->paidWith, "paytm");
}

}  // namespace
}  // namespace tarvel::sandbox
