#include <tuple>    // tuple
#include <utility>  // pair

#include "SandboxTestSupport.h"
#include "Scenario.h"

namespace tarvel::sandbox {
namespace {

using nlohmann::json;
using testing::RunningSandbox;

// Each row: the order (by "sandbox_scenario" key or by its moid's name) and what must be at
// places in the verify answer's data; "<absent>" for nothing, "<present>" for anything.
TEST(ScenarioTests, EachScenarioShapesTheVerifyAnswerAndTheCapturePolls) {
  RunningSandbox sandbox;
  const std::string list = "no-uapp, paid-after-2,not-json-rto";
  const std::vector<std::pair<json, json>> shapes = {
      {{{"sandbox_scenario", "verify-failed"}}, {{"/msg/heading", "Failed!"}}},
      {{{"moid", "verify-failed-1"}}, {{"/msg/heading", "Failed!"}}},
      {{{"moid", "otp-verified-1"}}, {{"/otp_verified", true}}},
      {{{"moid", "merchant-verified-1"}},
       {{"/merchant_user_verified", true}, {"/otp_verified", nullptr}}},
      {{{"moid", "no-uapp-1"}},
       {{"/uapp", "<absent>"}, {"/u_link", "<present>"}, {"/qrCode", "<present>"}}},
      {{{"moid", "order-no-uapp"}}, {{"/uapp", "<present>"}}},
      {{{"moid", "no-uappish"}}, {{"/uapp", "<present>"}}},
      {{{"sandbox_scenario", "no-ulink"}}, {{"/u_link", "<absent>"}, {"/uapp", "<present>"}}},
      {{{"sandbox_scenario", "no-qr"}}, {{"/qrCode", "<absent>"}}},
      {{{"moid", "no-qr-1"}}, {{"/qrCode", "<absent>"}}},
      {{{"sandbox_scenario", list}}, {{"/uapp", "<absent>"}}},
      // The key wins over the moid's name.
      {{{"moid", "no-uapp-4"}, {"sandbox_scenario", "no-ulink"}},
       {{"/uapp", "<present>"}, {"/u_link", "<absent>"}}}};
  int row = 0;
  for (auto [order, places] : shapes) {
    if (!order.contains("moid")) order["moid"] = "shape-" + std::to_string(row++);
    SCOPED_TRACE(order.dump());
    testing::expectShape(sandbox.verify(order), places);
  }

  // Each row: the order, whether it is paid through the control endpoint first, and what the
  // successive capture polls answer.
  const std::vector<std::tuple<json, bool, std::vector<std::string>>> polls = {
      {{{"moid", "paid-1"}}, false, {"PAID"}},
      {{{"moid", "paid-9"}}, false, {"PAID"}},
      {{{"moid", "paid-after-x"}}, false, {"PAID"}},
      {{{"moid", "paid-after-3-1"}}, false, {"PENDING", "PENDING", "PAID", "PAID"}},
      {{{"moid", "list-1"}, {"sandbox_scenario", list}}, false, {"PENDING", "PAID"}},
      {{{"moid", "never-pays-1"}}, true, {"PENDING", "PENDING", "PENDING", "PENDING", "PENDING"}}};
  for (const auto& [order, payFirst, statuses] : polls) {
    SCOPED_TRACE(order.dump());
    const auto verified = sandbox.verify(order);
    if (payFirst) {
      ASSERT_EQ(sandbox.post("/control/pay", {{"tarvel_oid", verified["tarvel_oid"]}}).status, 200);
    }
    for (const auto& status : statuses) {
      EXPECT_EQ(sandbox.capture(verified).json["payment_status"], status);
    }
  }

  EXPECT_TRUE(sandbox.get("/api/v2/rto/track?request_id=r&moid=list-1").json.is_discarded());
  const auto refused =
      sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"sandbox_scenario", "no-uapp,flying"}});
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.json.at("error").get<std::string>().find("flying"), std::string::npos);
}

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
    const auto notJson = call("not-json-" + suffix);
    EXPECT_EQ(notJson.status, 200);
    EXPECT_TRUE(notJson.json.is_discarded()) << notJson.raw;
    testing::expectShape(call("no-data-" + suffix, true).json, {{"/data", "<absent>"}});
    EXPECT_EQ(call("drop-" + suffix).status, 0) << "a cut-off answer must not arrive whole";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(call("slow-" + suffix, true).json.at("data").is_object());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));

    // The same fault aimed at another endpoint leaves this one alone.
    const auto untouched = call(endpoint == Endpoint::rto ? "not-json-verify" : "not-json-rto");
    EXPECT_TRUE(untouched.json.is_object()) << untouched.raw;
  }
}

}  // namespace
}  // namespace tarvel::sandbox
