#include <gtest/gtest.h>

#include <chrono>   // steady_clock
#include <ostream>  // ostream
#include <string>   // string

#include "SandboxTestSupport.h"
#include "Scenario.h"

namespace tarvel::sandbox {
namespace {

using testing::Answer;
using testing::RunningSandbox;

TEST(ScenarioTests, MoidPrefixSelectsTheLongestWholeName) {
  const auto slowCapture = Scenario::fromMoid("slow-capture-17");
  EXPECT_EQ(slowCapture.faultAt(Endpoint::capture), Fault::slow);
  EXPECT_EQ(slowCapture.faultAt(Endpoint::verify), Fault::none);

  const auto slowEverywhere = Scenario::fromMoid("slow-17");
  EXPECT_EQ(slowEverywhere.faultAt(Endpoint::verify), Fault::slow);
  EXPECT_EQ(slowEverywhere.faultAt(Endpoint::rto), Fault::slow);

  EXPECT_EQ(Scenario::fromMoid("slowpoke").fault, Fault::none);
  EXPECT_EQ(Scenario::fromMoid("paid-after-3-x").paidAfterPolls, 3);
  EXPECT_EQ(Scenario::fromMoid("paid-9").paidAfterPolls, 1);
  EXPECT_EQ(Scenario::fromMoid("paid-after-x").paidAfterPolls, 1);
  EXPECT_TRUE(Scenario::fromMoid("no-uapp").withoutApps);
  EXPECT_FALSE(Scenario::fromMoid("order-no-uapp").withoutApps);
  EXPECT_EQ(Scenario::fromMoid("drop-otp_1").faultAt(Endpoint::otp), Fault::dropConnection);
}

TEST(ScenarioTests, ScenarioKeyTakesAListAndRejectsUnknownNames) {
  std::string unknown;
  const auto combined = Scenario::parseList("no-uapp, paid-after-2,not-json-rto", &unknown);
  ASSERT_TRUE(combined);
  EXPECT_TRUE(combined->withoutApps);
  EXPECT_EQ(combined->paidAfterPolls, 2);
  EXPECT_EQ(combined->faultAt(Endpoint::rto), Fault::notJson);
  EXPECT_EQ(combined->faultAt(Endpoint::capture), Fault::none);

  EXPECT_FALSE(Scenario::parseList("no-uapp,flying", &unknown));
  EXPECT_EQ(unknown, "flying");

  RunningSandbox sandbox;
  const auto refused =
      sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"sandbox_scenario", "flying"}});
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.json.at("error").get<std::string>().find("flying"), std::string::npos);
  // The key wins over the moid's name.
  const auto keyed = sandbox.verify({{"moid", "no-uapp-1"}, {"sandbox_scenario", "no-ulink"}});
  EXPECT_TRUE(keyed.contains("uapp"));
  EXPECT_FALSE(keyed.contains("u_link"));
}

TEST(ScenarioTests, VerifyScenariosShapeTheAnswer) {
  RunningSandbox sandbox;
  EXPECT_EQ(sandbox.verify({{"moid", "verify-failed-1"}})["msg"]["heading"], "Failed!");
  EXPECT_EQ(sandbox.verify({{"moid", "otp-verified-1"}})["otp_verified"], true);
  const auto merchant = sandbox.verify({{"moid", "merchant-verified-1"}});
  EXPECT_EQ(merchant["merchant_user_verified"], true);
  EXPECT_TRUE(merchant["otp_verified"].is_null());

  const auto noApps = sandbox.verify({{"moid", "no-uapp-1"}});
  EXPECT_FALSE(noApps.contains("uapp"));
  EXPECT_TRUE(noApps.contains("u_link"));
  EXPECT_TRUE(noApps.contains("qrCode"));
  const auto noLink = sandbox.verify({{"moid", "no-ulink-1"}});
  EXPECT_FALSE(noLink.contains("u_link"));
  EXPECT_TRUE(noLink.contains("uapp"));
  EXPECT_FALSE(sandbox.verify({{"moid", "no-qr-1"}}).contains("qrCode"));
}

TEST(ScenarioTests, PaymentScenariosDecideWhenCaptureSaysPaid) {
  RunningSandbox sandbox;
  EXPECT_EQ(sandbox.capture(sandbox.verify({{"moid", "paid-1"}})).json["payment_status"], "PAID");

  const auto third = sandbox.verify({{"moid", "paid-after-3-1"}});
  EXPECT_EQ(sandbox.capture(third).json["payment_status"], "PENDING");
  EXPECT_EQ(sandbox.capture(third).json["payment_status"], "PENDING");
  EXPECT_EQ(sandbox.capture(third).json["payment_status"], "PAID");
  EXPECT_EQ(sandbox.capture(third).json["payment_status"], "PAID");

  const auto never = sandbox.verify({{"moid", "never-pays-1"}});
  ASSERT_EQ(sandbox.post("/control/pay", {{"tarvel_oid", never["tarvel_oid"]}}).status, 200);
  for (int poll = 0; poll < 5; ++poll) {
    EXPECT_EQ(sandbox.capture(never).json["payment_status"], "PENDING");
  }
}

// One request to the endpoint family for an order whose scenario is `scenario`.
Answer callEndpoint(RunningSandbox& sandbox, Endpoint endpoint, const std::string& scenario) {
  const std::string moid = "case-" + scenario;
  const nlohmann::json order = {{"moid", moid}, {"sandbox_scenario", scenario}};
  switch (endpoint) {
    case Endpoint::verify:
      return sandbox.post("/api/v1/order/verify", order);
    case Endpoint::capture: {
      const auto clean = sandbox.post("/api/v1/order/verify", order);
      return sandbox.capture(clean.json.at("data"));
    }
    case Endpoint::otp:
      sandbox.post("/api/v1/order/verify", order);
      return sandbox.post("/api/v1/user/send-otp", {{"moid", moid}, {"phone", "1"}});
    case Endpoint::rto:
      sandbox.post("/api/v1/order/verify", order);
      return sandbox.get("/api/v2/rto/track?request_id=r&moid=" + moid);
  }
  return {};
}

struct EndpointCase {
  Endpoint endpoint;
  const char* suffix;
};

void PrintTo(const EndpointCase& endpointCase, std::ostream* out) { *out << endpointCase.suffix; }

class FaultScenarioTests : public ::testing::TestWithParam<EndpointCase> {};

TEST_P(FaultScenarioTests, EachFaultSpoilsOnlyItsEndpoint) {
  RunningSandbox sandbox;
  const auto [endpoint, suffix] = GetParam();
  const std::string tail = std::string("-") + suffix;

  const auto serverError = callEndpoint(sandbox, endpoint, "server-error" + tail);
  EXPECT_EQ(serverError.status, 500);
  EXPECT_TRUE(serverError.json.at("data").is_object()) << serverError.raw;

  const auto notJson = callEndpoint(sandbox, endpoint, "not-json" + tail);
  EXPECT_EQ(notJson.status, 200);
  EXPECT_TRUE(notJson.json.is_discarded()) << notJson.raw;

  const auto noData = callEndpoint(sandbox, endpoint, "no-data" + tail);
  ASSERT_TRUE(noData.json.is_object()) << noData.raw;
  EXPECT_FALSE(noData.json.contains("data"));

  const auto dropped = callEndpoint(sandbox, endpoint, "drop" + tail);
  EXPECT_EQ(dropped.status, 0) << "a cut-off answer must not arrive whole: " << dropped.raw;

  const auto start = std::chrono::steady_clock::now();
  const auto slow = callEndpoint(sandbox, endpoint, "slow" + tail);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  EXPECT_TRUE(slow.json.at("data").is_object());

  // The same fault aimed at another endpoint leaves this one alone.
  const std::string elsewhere = endpoint == Endpoint::rto ? "-verify" : "-rto";
  const auto untouched = callEndpoint(sandbox, endpoint, "not-json" + elsewhere);
  EXPECT_TRUE(untouched.json.is_object()) << untouched.raw;
}

INSTANTIATE_TEST_SUITE_P(Endpoints, FaultScenarioTests,
                         ::testing::Values(EndpointCase{Endpoint::verify, "verify"},
                                           EndpointCase{Endpoint::capture, "capture"},
                                           EndpointCase{Endpoint::otp, "otp"},
                                           EndpointCase{Endpoint::rto, "rto"}),
                         [](const auto& info) { return std::string(info.param.suffix); });

TEST(ScenarioTests, MoidNamedFaultsCoverEveryEndpointOfTheOrder) {
  RunningSandbox sandbox;
  const auto verify = sandbox.post("/api/v1/order/verify", {{"moid", "server-error-7"}});
  EXPECT_EQ(verify.status, 500);
  const auto& order = verify.json.at("data");
  EXPECT_EQ(sandbox.capture(order).status, 500);
  EXPECT_EQ(
      sandbox.post("/api/v1/user/send-otp", {{"moid", "server-error-7"}, {"phone", "1"}}).status,
      500);
  EXPECT_EQ(sandbox.get("/api/v2/rto/track?request_id=&moid=server-error-7").status, 500);
}

}  // namespace
}  // namespace tarvel::sandbox
