// The hosted page and the payment it takes on the platform before it tells the app (the
// component's status poll reading a payment: ComponentAgainstSandboxTests).
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using nlohmann::json;
using testing::RunningSandbox;

TEST(WebEndpointsTests, PageIsServedFreshAndPaysBesideItself) {
  RunningSandbox sandbox;
  const auto page = sandbox.get("/web/custom.html");
  ASSERT_EQ(page.status, 200);
  EXPECT_NE(page.raw.find("Pay now"), std::string::npos);
  // The page pays with a relative "pay" before it posts onSuccess.
  EXPECT_NE(page.raw.find("fetch(\"pay\""), std::string::npos);
}

TEST(WebEndpointsTests, PayingAVerifiedOrderMakesItsStatusPollPaid) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "web-1"}, {"mid", "shop"}, {"total", "25"}});
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PENDING");

  const auto paid = sandbox.post("/web/pay", {{"tarvel_oid", order["tarvel_oid"]},
                                              {"mid", "shop"},
                                              {"moid", "web-1"},
                                              {"environment", "sandbox"}});
  ASSERT_EQ(paid.status, 200) << paid.raw;
  EXPECT_EQ(paid.json.at("data").at("payment_status"), "PAID");
  EXPECT_EQ(paid.json["data"].at("paid_with"), "web");
  EXPECT_FALSE(paid.json["data"].contains("auth_token"));
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PAID");

  const auto again = sandbox.post("/web/pay", {{"tarvel_oid", order["tarvel_oid"]}});
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.json.at("message"), "Already paid");
}

TEST(WebEndpointsTests, PayingAnOrderThePlatformHasNotSeenRecordsItUnderTheHostsIdentifiers) {
  RunningSandbox sandbox;
  const json page = {{"tarvel_oid", "oid-host-7"},
                     {"mid", "shop"},
                     {"moid", "web-new-1"},
                     {"order_type", "upi"},
                     {"request_id", "r-7"}};
  const auto paid = sandbox.post("/web/pay", page);
  ASSERT_EQ(paid.status, 200) << paid.raw;
  const auto stored = sandbox.get("/control/order?tarvel_oid=oid-host-7");
  ASSERT_EQ(stored.status, 200) << stored.raw;
  EXPECT_EQ(stored.json.at("data").at("payment_status"), "PAID");
  EXPECT_EQ(stored.json["data"].at("moid"), "web-new-1");
  EXPECT_EQ(stored.json["data"].at("request_id"), "r-7");
  // A later verification of the same order finds it paid.
  EXPECT_EQ(sandbox.verify({{"moid", "web-new-1"}, {"mid", "shop"}}).at("payment_status"), "PAID");
}

TEST(WebEndpointsTests, PaymentWithoutAnOrderItCanNameIsRefused) {
  RunningSandbox sandbox;
  for (const json& body : {json{{"tarvel_oid", "oid-unknown"}}, json::object()}) {
    const auto refused = sandbox.post("/web/pay", body);
    EXPECT_EQ(refused.status, 400) << body.dump();
    EXPECT_TRUE(refused.json.at("error").is_string());
  }
  EXPECT_EQ(sandbox.postRaw("/web/pay", "not json").status, 400);
}

}  // namespace
}  // namespace tarvel::sandbox
