#include <fstream>   // ifstream, ofstream
#include <iterator>  // istreambuf_iterator

#include "SandboxTestSupport.h"
#include "UpiAppRegistration.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::RunningSandbox;

constexpr auto kWait = std::chrono::seconds(30);

// The value of the line "export <name>=<value>" in `output`; nothing without a whole line.
std::optional<std::string> exported(const std::string& output, const std::string& name) {
  const auto start = output.find("export " + name + "=");
  const auto end = output.find('\n', start);
  if (start == std::string::npos || end == std::string::npos) return std::nullopt;
  const auto value = start + name.size() + 8;
  return output.substr(value, end - value);
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

TEST(SandboxExecutableTests, PrintsTheExportLinesServesAndStopsCleanlyOnSignals) {
  testing::TemporaryFolder folder;
  const auto caFile = (folder.path() / "state" / "ca.pem").string();
  struct Run {
    bool https;
    std::vector<std::string> argv;
    int signal;
  };
  for (const auto& run :
       {Run{false, {TARVEL_SANDBOX_EXE, "--port", "0", "--http"}, SIGTERM},
        Run{true,
            {TARVEL_SANDBOX_EXE, "--state-dir", (folder.path() / "state").string()},
            SIGINT}}) {
    SCOPED_TRACE(run.https ? "https" : "http");
    ChildProcess sandbox(run.argv);
    ASSERT_TRUE(sandbox.waitForOutput(run.https ? "ca.pem\n" : "/web/\n", kWait))
        << sandbox.output();
    const std::string origin = run.https ? "https://127.0.0.1:" : "http://127.0.0.1:";
    EXPECT_EQ(sandbox.output().rfind("export TARVEL_STAGING_API_URL=" + origin, 0), 0u);
    for (const auto* name :
         {"TARVEL_STAGING_API_URL", "TARVEL_STAGING_ANALYTICS_URL", "TARVEL_STAGING_WEB_URL"}) {
      const auto url = exported(sandbox.output(), name);
      ASSERT_TRUE(url) << name << "\n" << sandbox.output();
      EXPECT_EQ(url->back(), '/') << name;
    }
    const auto api = *exported(sandbox.output(), "TARVEL_STAGING_API_URL");
    if (run.https) {
      EXPECT_EQ(exported(sandbox.output(), "TARVEL_CA_FILE"), caFile);
      EXPECT_TRUE(std::filesystem::exists(caFile));
    }

    httplib::Client client(api.substr(0, api.find("/api/")));
    if (run.https) client.set_ca_cert_path(caFile.c_str());
    client.set_connection_timeout(5);
    const auto verified =
        client.Post("/api/v1/order/verify", R"({"moid":"exe-1"})", "application/json");
    ASSERT_TRUE(verified);
    EXPECT_EQ(verified->status, 200);

    sandbox.sendSignal(run.signal);
    EXPECT_EQ(sandbox.waitForExit(kWait), 0) << sandbox.output();
    EXPECT_NE(sandbox.output().find("POST /api/v1/order/verify 200"), std::string::npos);
    EXPECT_EQ(exported(sandbox.output(), "TARVEL_CA_FILE").has_value(), run.https);
  }
  const auto [exitCode, usage] =
      ChildProcess::run({TARVEL_SANDBOX_EXE, "--port", "http"}, {}, kWait);
  EXPECT_EQ(exitCode, 2);
  EXPECT_NE(usage.find("usage"), std::string::npos);
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
  testing::TemporaryFolder folder;
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
