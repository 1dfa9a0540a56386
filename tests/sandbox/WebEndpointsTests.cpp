// The hosted page and the payment it takes on the platform before it tells the app (the
// component's status poll reading a payment: ComponentAgainstSandboxTests; malformed bodies:
// ApiEndpointsTests).
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using nlohmann::json;
using testing::expectShape;
using testing::RunningSandbox;

TEST(WebEndpointsTests, PagePaysAVerifiedOrderOnceAndItsStatusPollTurnsPaid) {
  RunningSandbox sandbox;
  const auto page = sandbox.get("/web/custom.html");
  EXPECT_EQ(page.status, 200);
  // The page pays with a relative "pay" before it posts onSuccess.
  EXPECT_NE(page.raw.find("fetch(\"pay\""), std::string::npos) << page.raw;

  const auto order = sandbox.verify({{"moid", "web-1"}, {"mid", "shop"}, {"total", "25"}});
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PENDING");
  const auto paid = sandbox.post("/web/pay", {{"tarvel_oid", order["tarvel_oid"]},
                                              {"mid", "shop"},
                                              {"moid", "web-1"},
                                              {"environment", "sandbox"}});
  EXPECT_EQ(paid.status, 200) << paid.raw;
  expectShape(paid.json, {{"/data/payment_status", "PAID"},
                          {"/data/paid_with", "web"},
                          {"/data/auth_token", "<absent>"}});
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PAID");
  const auto again = sandbox.post("/web/pay", {{"tarvel_oid", order["tarvel_oid"]}});
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.json.at("message"), "Already paid");

  const auto unknown = sandbox.post("/web/pay", {{"tarvel_oid", "oid-unknown"}});
  EXPECT_EQ(unknown.status, 400);
  expectShape(unknown.json, {{"/error", "<string>"}});
}

TEST(WebEndpointsTests, PayingAnOrderThePlatformHasNotSeenRecordsItUnderTheHostsIdentifiers) {
  RunningSandbox sandbox;
  const auto paid = sandbox.post("/web/pay", {{"tarvel_oid", "oid-host-7"},
                                              {"mid", "shop"},
                                              {"moid", "web-new-1"},
                                              {"order_type", "upi"},
                                              {"request_id", "r-7"}});
  EXPECT_EQ(paid.status, 200) << paid.raw;
  const auto stored = sandbox.get("/control/order?tarvel_oid=oid-host-7");
  EXPECT_EQ(stored.status, 200) << stored.raw;
  expectShape(
      stored.json,
      {{"/data/payment_status", "PAID"}, {"/data/moid", "web-new-1"}, {"/data/request_id", "r-7"}});
  // A later verification of the same order finds it paid.
  EXPECT_EQ(sandbox.verify({{"moid", "web-new-1"}, {"mid", "shop"}}).at("payment_status"), "PAID");
}

}  // namespace
}  // namespace tarvel::sandbox
