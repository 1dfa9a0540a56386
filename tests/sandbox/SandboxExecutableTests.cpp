#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>      // seconds
#include <filesystem>  // exists
#include <string>      // string

#include "ChildProcess.h"
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::TemporaryFolder;

constexpr auto kWait = std::chrono::seconds(20);

std::string valueOf(const std::string& exportLine) {
  return exportLine.substr(exportLine.find('=') + 1);
}

TEST(SandboxExecutableTests, PrintsTheExportLinesServesAndStopsOnSigterm) {
  ChildProcess sandbox({TARVEL_SANDBOX_EXE, "--port", "0", "--http"});
  ASSERT_TRUE(sandbox.started());
  const auto api = sandbox.waitForLine("export TARVEL_STAGING_API_URL=", kWait);
  const auto analytics = sandbox.waitForLine("export TARVEL_STAGING_ANALYTICS_URL=", kWait);
  const auto web = sandbox.waitForLine("export TARVEL_STAGING_WEB_URL=", kWait);
  ASSERT_TRUE(api && analytics && web) << sandbox.output();
  EXPECT_EQ(sandbox.output().rfind("export TARVEL_STAGING_API_URL=http://127.0.0.1:", 0), 0u);
  EXPECT_EQ(valueOf(*api).back(), '/');
  EXPECT_EQ(valueOf(*analytics).back(), '/');
  EXPECT_EQ(valueOf(*web).back(), '/');

  const std::string apiUrl = valueOf(*api);
  httplib::Client client(apiUrl.substr(0, apiUrl.find("/api/")));
  client.set_connection_timeout(5);
  const auto verified =
      client.Post("/api/v1/order/verify", R"({"moid":"exe-1"})", "application/json");
  ASSERT_TRUE(verified);
  EXPECT_EQ(verified->status, 200);

  sandbox.sendSignal(SIGTERM);
  EXPECT_EQ(sandbox.waitForExit(kWait), 0) << sandbox.output();
  EXPECT_EQ(sandbox.output().find("export TARVEL_CA_FILE="), std::string::npos);
  EXPECT_NE(sandbox.output().find("POST /api/v1/order/verify 200"), std::string::npos);
}

TEST(SandboxExecutableTests, HttpsPrintsItsCaFileAndStopsOnSigint) {
  TemporaryFolder folder;
  ChildProcess sandbox(
      {TARVEL_SANDBOX_EXE, "--port", "0", "--state-dir", (folder.path() / "state").string()});
  const auto ca = sandbox.waitForLine("export TARVEL_CA_FILE=", kWait);
  ASSERT_TRUE(ca) << sandbox.output();
  EXPECT_EQ(valueOf(*ca), (folder.path() / "state" / "ca.pem").string());
  EXPECT_TRUE(std::filesystem::exists(valueOf(*ca)));
  EXPECT_NE(sandbox.output().find("export TARVEL_STAGING_API_URL=https://127.0.0.1:"),
            std::string::npos);

  sandbox.sendSignal(SIGINT);
  EXPECT_EQ(sandbox.waitForExit(kWait), 0) << sandbox.output();
}

TEST(SandboxExecutableTests, RejectsUnknownArguments) {
  const auto result = ChildProcess::run({TARVEL_SANDBOX_EXE, "--port", "http"}, {}, kWait);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.output.find("usage"), std::string::npos);
}

}  // namespace
}  // namespace tarvel::sandbox
