// The hosted page and the payment it takes on the platform before it tells the app (the
// component's status poll reading a payment: ComponentAgainstSandboxTests; malformed bodies:
// ApiEndpointsTests).
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::RunningSandbox;

// The page pays with a relative "pay" before it posts onSuccess; once paid, the order's status
// poll reads PAID and paying again changes nothing.
TEST(WebEndpointsTests, PagePaysAVerifiedOrderOnceAndItsStatusPollTurnsPaid) {
  RunningSandbox sandbox;
  const auto page = sandbox.get("/web/custom.html");
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.raw.find("fetch(\"pay\""), std::string::npos) << page.raw;
  const auto order = sandbox.verify({{"moid", "web-1"}, {"mid", "shop"}, {"total", "25"}});
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PENDING");
  sandbox.expectAnswers(R"([
    {"POST": "/web/pay", "body": {"tarvel_oid": "$oid", "mid": "shop", "moid": "web-1", "environment": "sandbox"},
     "shape": {"/data/payment_status": "PAID", "/data/paid_with": "web", "/data/auth_token": "<absent>"}},
    {"POST": "/web/pay", "body": {"tarvel_oid": "$oid"}, "shape": {"/message": "Already paid"}},
    {"POST": "/web/pay", "body": {"tarvel_oid": "oid-unknown"}, "status": 400, "shape": {"/error": "<string>"}}])",
                        {{"oid", order["tarvel_oid"]}});
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PAID");
}

// An order the platform has not seen is recorded under the host's identifiers; a later
// verification of the same order finds it paid.
TEST(WebEndpointsTests, PayingAnOrderThePlatformHasNotSeenRecordsItUnderTheHostsIdentifiers) {
  RunningSandbox sandbox;
  sandbox.expectAnswers(R"([
    {"POST": "/web/pay", "body": {"tarvel_oid": "oid-host-7", "mid": "shop", "moid": "web-new-1",
                                  "order_type": "upi", "request_id": "r-7"}},
    {"GET": "/control/order?tarvel_oid=oid-host-7",
     "shape": {"/data/payment_status": "PAID", "/data/moid": "web-new-1", "/data/request_id": "r-7"}},
    {"POST": "/api/v1/order/verify", "body": {"moid": "web-new-1", "mid": "shop"},
     "shape": {"/data/payment_status": "PAID"}}])");
}

}  // namespace
}  // namespace tarvel::sandbox
