// The sandbox as a program (its export lines, HTTP or HTTPS with its own authority, signals)
// and as a server in the test's process (stopping, bounded storage).
#include <atomic>  // atomic
#include <future>  // async

#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::RunningSandbox;

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
    ASSERT_TRUE(testing::waitUntil([&] {
      return sandbox.output().find(run.https ? "ca.pem\n" : "/web/\n") != std::string::npos;
    })) << sandbox.output();
    for (const auto* name :
         {"TARVEL_STAGING_API_URL", "TARVEL_STAGING_ANALYTICS_URL", "TARVEL_STAGING_WEB_URL"}) {
      ASSERT_TRUE(exported(sandbox.output(), name)) << name << "\n" << sandbox.output();
    }
    const auto api = *exported(sandbox.output(), "TARVEL_STAGING_API_URL");
    if (run.https) {
      EXPECT_EQ(exported(sandbox.output(), "TARVEL_CA_FILE"), caFile);
      EXPECT_TRUE(std::filesystem::exists(caFile));
    }

    // Over HTTPS only through the sandbox's authority; its certificate names localhost too.
    const std::string origin = api.substr(0, api.find("/api/"));
    httplib::Client client(run.https ? testing::replaceAll(origin, "127.0.0.1", "localhost")
                                     : origin);
    if (run.https) client.set_ca_cert_path(caFile.c_str());
    client.set_connection_timeout(5);
    const auto verified =
        client.Post("/api/v1/order/verify", R"({"moid":"exe-1"})", "application/json");
    ASSERT_TRUE(verified) << httplib::to_string(verified.error());
    EXPECT_EQ(verified->status, 200);
    httplib::Client untrusting(origin);
    untrusting.set_connection_timeout(5);
    EXPECT_EQ(bool(untrusting.Get("/web/custom.html")), !run.https);

    sandbox.sendSignal(run.signal);
    EXPECT_EQ(sandbox.waitForExit(), 0) << sandbox.output();
    EXPECT_NE(sandbox.output().find("POST /api/v1/order/verify 200"), std::string::npos);
    EXPECT_EQ(exported(sandbox.output(), "TARVEL_CA_FILE").has_value(), run.https);
  }
  const auto [exitCode, usage] = ChildProcess::run({TARVEL_SANDBOX_EXE, "--port", "http"});
  EXPECT_EQ(exitCode, 2);
  EXPECT_NE(usage.find("usage"), std::string::npos);
}

TEST(SandboxServerTests, StoppingDoesNotWaitForASlowAnswer) {
  auto arrived = std::make_shared<std::atomic<bool>>(false);
  RunningSandbox sandbox([arrived](SandboxOptions& options) {
    options.slowDelay = std::chrono::hours(1);
    options.requestArrived = [arrived](std::string_view, std::string_view) { *arrived = true; };
  });
  auto pending = std::async(std::launch::async, [&] {
    return sandbox.post("/api/v1/order/verify", {{"moid", "slow-1"}});
  });
  EXPECT_TRUE(testing::waitUntil([&] { return arrived->load(); }));
  sandbox.server().stop();
  ASSERT_EQ(pending.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(pending.get().status, 200);
}

TEST(SandboxServerTests, StoredListsStayBoundedUnderTraffic) {
  RunningSandbox sandbox(
      [](SandboxOptions& options) { options.maxOrders = options.maxOtps = options.maxEvents = 5; });
  nlohmann::json first;
  for (int i = 0; i < 20; ++i) {
    const auto order = sandbox.verify({{"moid", "bulk-" + std::to_string(i)}});
    if (i == 0) first = order;
    sandbox.post("/api/v1/user/send-otp", {{"moid", "bulk"}, {"phone", std::to_string(i)}});
    const auto stored = sandbox.post("/analytics/api/v1/events", {{"name", "event"}, {"i", i}});
    EXPECT_EQ(stored.json.at("data").at("stored"), true) << stored.raw;
  }
  EXPECT_FALSE(sandbox.server().order(first["tarvel_oid"]));
  EXPECT_EQ(sandbox.capture(first).status, 404);
  // The evicted moid makes a new order, not a dangling one.
  EXPECT_NE(sandbox.verify({{"moid", "bulk-0"}})["tarvel_oid"], first["tarvel_oid"]);
  EXPECT_FALSE(sandbox.server().lastOtp("bulk", "0"));
  EXPECT_TRUE(sandbox.server().lastOtp("bulk", "19"));
  const auto events = sandbox.server().events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events.front().at("i"), 15);
  // Both listings give the stored events, oldest first.
  EXPECT_EQ(sandbox.get("/analytics/api/analytics/events").json.at("data").at("events"), events);
  EXPECT_EQ(sandbox.get("/control/events").json.at("data").at("events"), events);
}

}  // namespace
}  // namespace tarvel::sandbox
