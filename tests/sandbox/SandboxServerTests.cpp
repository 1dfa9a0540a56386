#include <atomic>  // atomic
#include <future>  // async

#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::RunningSandbox;

TEST(SandboxServerTests, HttpsIsTrustedThroughItsOwnCertificateAuthorityOnly) {
  std::string temporaryCa;
  {
    RunningSandbox sandbox([](SandboxOptions& options) { options.https = true; });
    auto& server = sandbox.server();
    EXPECT_EQ(server.origin().rfind("https://127.0.0.1:", 0), 0u);
    temporaryCa = server.caFile();
    EXPECT_NE(testing::readFile(temporaryCa).find("-----BEGIN CERTIFICATE-----"),
              std::string::npos);

    const auto trusted = sandbox.post("/api/v1/order/verify", {{"moid", "tls-1"}});
    EXPECT_EQ(trusted.status, 200) << trusted.raw;

    // The server certificate names localhost too.
    httplib::Client byName("https://localhost:" + std::to_string(server.port()));
    byName.set_ca_cert_path(temporaryCa.c_str());
    byName.set_connection_timeout(5);
    const auto named = byName.Get("/web/custom.html");
    ASSERT_TRUE(named) << httplib::to_string(named.error());
    EXPECT_EQ(named->status, 200);

    // Without the sandbox's CA the certificate is refused.
    httplib::Client untrusting(server.origin());
    untrusting.set_connection_timeout(5);
    EXPECT_FALSE(untrusting.Get("/web/custom.html"));
  }
  // A temporary certificate folder goes when the server stops.
  EXPECT_FALSE(std::filesystem::exists(temporaryCa));
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
