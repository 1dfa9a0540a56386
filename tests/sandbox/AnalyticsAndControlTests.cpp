#include <gtest/gtest.h>

#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::RunningSandbox;

nlohmann::json pageLoadEvent(int appCount) {
  return {{"eventType", "page_load"}, {"type", "event"},         {"name", "app listing"},
          {"platform", "iOS"},        {"timestamp", 1700000000}, {"app_count", appCount}};
}

TEST(AnalyticsEndpointsTests, StoresEveryEventAndListsThemInOrder) {
  RunningSandbox sandbox;
  for (int count = 0; count < 3; ++count) {
    const auto stored = sandbox.post("/analytics/api/v1/events", pageLoadEvent(count));
    ASSERT_EQ(stored.status, 200) << stored.raw;
    ASSERT_TRUE(stored.json.at("data").is_object());
    EXPECT_EQ(stored.json["data"].at("stored"), true);
  }
  const auto listed = sandbox.get("/analytics/api/analytics/events");
  ASSERT_EQ(listed.status, 200);
  const auto control = sandbox.get("/control/events");
  ASSERT_EQ(control.json.at("data").at("count"), 3);
  const auto& events = control.json["data"]["events"];
  for (int count = 0; count < 3; ++count) EXPECT_EQ(events[count], pageLoadEvent(count));
  EXPECT_EQ(listed.json.at("data").at("events"), events);
  EXPECT_EQ(sandbox.server().events(), events);
}

TEST(ControlEndpointsTests, PayFindsTheOrderByReferenceOrLinkAndChecksTheAmount) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "pay-1"}, {"total", "250.5"}});
  const std::string oid = order["tarvel_oid"];

  const auto unknown = sandbox.post("/control/pay", {{"tr", "tvl_nothing"}});
  EXPECT_EQ(unknown.status, 404);
  EXPECT_TRUE(unknown.json.at("error").is_string());

  const auto mismatch = sandbox.post("/control/pay", {{"tr", oid}, {"am", "25.05"}});
  EXPECT_EQ(mismatch.status, 409);
  EXPECT_EQ(sandbox.server().order(oid)->status, PaymentStatus::pending);

  const std::string deepLink =
      "gpay://upi/pay?pa=tarvel.sandbox%2540upi&am=250.50&tr=" + oid + "&cu=INR";
  const auto paid = sandbox.post("/control/pay", {{"link", deepLink}, {"app", "gpay"}});
  ASSERT_EQ(paid.status, 200) << paid.raw;
  EXPECT_EQ(paid.json.at("data").at("payment_status"), "PAID");
  EXPECT_EQ(paid.json["data"].at("paid_with"), "gpay");

  const auto again = sandbox.post("/control/pay", {{"tarvel_oid", oid}});
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.json.at("message"), "Already paid");

  const auto lookedUp = sandbox.get("/control/order?tarvel_oid=" + oid);
  EXPECT_EQ(lookedUp.json.at("data").at("payment_status"), "PAID");
  EXPECT_EQ(sandbox.get("/control/order?moid=pay-1").json.at("data").at("tarvel_oid"), oid);
  EXPECT_EQ(sandbox.post("/control/pay", {{"link", "https://example.org/"}}).status, 400);
}

TEST(ControlEndpointsTests, ResetForgetsOrdersOtpsAndEvents) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "reset-1"}});
  sandbox.post("/api/v1/user/send-otp", {{"moid", "reset-1"}, {"phone", "1"}});
  sandbox.post("/analytics/api/v1/events", {{"name", "otp"}});

  ASSERT_EQ(sandbox.post("/control/reset", nlohmann::json::object()).status, 200);
  EXPECT_FALSE(sandbox.server().order(order["tarvel_oid"]));
  EXPECT_FALSE(sandbox.server().lastOtp("reset-1", "1"));
  EXPECT_TRUE(sandbox.server().events().empty());
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "FAILED");
}

}  // namespace
}  // namespace tarvel::sandbox
