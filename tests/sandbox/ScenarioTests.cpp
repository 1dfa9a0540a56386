#include <utility>  // pair

#include "SandboxTestSupport.h"
#include "Scenario.h"

namespace tarvel::sandbox {
namespace {

using nlohmann::json;
using testing::RunningSandbox;

// Each row: the order (its scenario named by the "sandbox_scenario" key or by its moid) and
// what the verify answer's data holds (as expectShape reads it), or the statuses of its
// successive capture polls, after a payment through the control endpoint with "pay". The key
// wins over the moid's name.
TEST(ScenarioTests, EachScenarioShapesTheVerifyAnswerAndTheCapturePolls) {
  RunningSandbox sandbox;
  const auto rows = testing::parseWith(R"([
    {"order": {"sandbox_scenario": "verify-failed"}, "data": {"/msg/heading": "Failed!"}},
    {"order": {"moid": "otp-verified-1"}, "data": {"/otp_verified": true}},
    {"order": {"moid": "merchant-verified-1"},
     "data": {"/merchant_user_verified": true, "/otp_verified": null}},
    {"order": {"moid": "no-uapp-1"},
     "data": {"/uapp": "<absent>", "/u_link": "<present>", "/qrCode": "<present>"}},
    {"order": {"moid": "order-no-uapp"}, "data": {"/uapp": "<present>"}},
    {"order": {"moid": "no-uappish"}, "data": {"/uapp": "<present>"}},
    {"order": {"sandbox_scenario": "no-ulink"}, "data": {"/u_link": "<absent>", "/uapp": "<present>"}},
    {"order": {"sandbox_scenario": "no-qr"}, "data": {"/qrCode": "<absent>"}},
    {"order": {"sandbox_scenario": "$list"}, "data": {"/uapp": "<absent>"}},
    {"order": {"moid": "no-uapp-4", "sandbox_scenario": "no-ulink"},
     "data": {"/uapp": "<present>", "/u_link": "<absent>"}},
    {"order": {"moid": "paid-1"}, "polls": ["PAID"]},
    {"order": {"moid": "paid-after-x"}, "polls": ["PAID"]},
    {"order": {"moid": "paid-after-3-1"}, "polls": ["PENDING", "PENDING", "PAID", "PAID"]},
    {"order": {"moid": "list-1", "sandbox_scenario": "$list"}, "polls": ["PENDING", "PAID"]},
    {"order": {"moid": "never-pays-1"}, "pay": true, "polls": ["PENDING", "PENDING", "PENDING"]}])",
                                       {{"list", "no-uapp, paid-after-2,not-json-rto"}});
  int row = 0;
  for (auto order : rows) {
    SCOPED_TRACE(order.dump());
    if (!order["order"].contains("moid")) order["order"]["moid"] = "shape-" + std::to_string(row++);
    const auto verified = sandbox.verify(order["order"]);
    testing::expectShape(verified, order.value("data", nlohmann::json::object()));
    if (order.value("pay", false)) {
      EXPECT_EQ(sandbox.post("/control/pay", {{"tarvel_oid", verified["tarvel_oid"]}}).status, 200);
    }
    for (const auto& status : order.value("polls", nlohmann::json::array())) {
      EXPECT_EQ(sandbox.capture(verified).json["payment_status"], status);
    }
  }
  EXPECT_TRUE(sandbox.get("/api/v2/rto/track?request_id=r&moid=list-1").json.is_discarded());
  const auto refused =
      sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"sandbox_scenario", "no-uapp,flying"}});
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.json.value("error", "").find("flying"), std::string::npos);
}

// A 500 whose body is still usable, and every field ill-typed, which the component takes as
// answers; each fault the component tells apart by its log (cut off, not JSON, text 500, too
// large, not UTF-8, ...) on the endpoint each flow calls: the fault table in tests/reliability.
TEST(ScenarioTests, EachFaultSpoilsOnlyItsEndpoint) {
  RunningSandbox sandbox;
  for (const auto& [endpoint, suffix] :
       std::vector<std::pair<Endpoint, std::string>>{{Endpoint::verify, "verify"},
                                                     {Endpoint::capture, "capture"},
                                                     {Endpoint::otp, "otp"},
                                                     {Endpoint::rto, "rto"}}) {
    SCOPED_TRACE(suffix);
    // One request to the endpoint family for an order whose scenario is `scenario`, named by
    // the "sandbox_scenario" key or by the moid.
    const auto call = [&, endpoint = endpoint](const std::string& scenario, bool byMoid = false) {
      const std::string moid = byMoid ? scenario + "-7" : "case-" + scenario;
      json order = {{"moid", moid}};
      if (!byMoid) order["sandbox_scenario"] = scenario;
      const auto verified = sandbox.post("/api/v1/order/verify", order);
      if (endpoint == Endpoint::capture) return sandbox.capture(verified.json.at("data"));
      if (endpoint == Endpoint::otp) {
        return sandbox.post("/api/v1/user/send-otp", {{"moid", moid}, {"phone", "1"}});
      }
      if (endpoint == Endpoint::rto) return sandbox.get("/api/v2/rto/track?moid=" + moid);
      return verified;
    };
    for (const auto& serverError : {call("server-error-" + suffix), call("server-error", true)}) {
      EXPECT_EQ(serverError.status, 500);
      EXPECT_TRUE(serverError.json.at("data").is_object()) << serverError.raw;
    }
    testing::expectShape(call("ill-typed-" + suffix, true).json,
                         {{"/data/moid", ("ill-typed-" + suffix + "-7").size()}});

    // The same fault aimed at another endpoint leaves this one alone.
    const auto untouched = call(endpoint == Endpoint::rto ? "not-json-verify" : "not-json-rto");
    EXPECT_TRUE(untouched.json.is_object()) << untouched.raw;
  }
}

// The hosted page, spoiled only by a "-web" fault named in its moid: the page itself, or a page
// that posts a spoiled result.
TEST(ScenarioTests, WebFaultsSpoilTheHostedPage) {
  RunningSandbox sandbox;
  const auto page = [&](const std::string& moid) {
    return sandbox.get("/web/custom.html?moid=" + moid);
  };
  const std::string normal = page("order-1").raw;
  EXPECT_NE(normal.find("Sandbox checkout"), std::string::npos);
  EXPECT_EQ(page("not-json-1").raw, normal) << "faults without a suffix leave the page alone";
  EXPECT_EQ(page("server-error-web-1").status, 500);
  EXPECT_EQ(page("server-error-web-1").raw, normal);
  EXPECT_GT(page("gigantic-web-1").raw.size(), 3'000'000u);
  EXPECT_EQ(page("drop-web-1").status, 0);
  EXPECT_NE(page("ill-typed-web-1").raw.find("postMessage({status: 7"), std::string::npos);
}

}  // namespace
}  // namespace tarvel::sandbox
