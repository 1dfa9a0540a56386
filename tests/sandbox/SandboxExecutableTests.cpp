#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;

// The value of the line "export <name>=<value>" in `output`; nothing without a whole line.
std::optional<std::string> exported(const std::string& output, const std::string& name) {
  const auto start = output.find("export " + name + "=");
  const auto end = output.find('\n', start);
  if (start == std::string::npos || end == std::string::npos) return std::nullopt;
  const auto value = start + name.size() + 8;
  return output.substr(value, end - value);
}

TEST(SandboxExecutableTests, PrintsTheExportLinesServesAndStopsCleanlyOnSignals) {
  test::TemporaryDirectory folder;
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
    ASSERT_TRUE(sandbox.waitForOutput(run.https ? "ca.pem\n" : "/web/\n")) << sandbox.output();
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
    EXPECT_EQ(sandbox.waitForExit(), 0) << sandbox.output();
    EXPECT_NE(sandbox.output().find("POST /api/v1/order/verify 200"), std::string::npos);
    EXPECT_EQ(exported(sandbox.output(), "TARVEL_CA_FILE").has_value(), run.https);
  }
  const auto [exitCode, usage] = ChildProcess::run({TARVEL_SANDBOX_EXE, "--port", "http"});
  EXPECT_EQ(exitCode, 2);
  EXPECT_NE(usage.find("usage"), std::string::npos);
}

}  // namespace
}  // namespace tarvel::sandbox
