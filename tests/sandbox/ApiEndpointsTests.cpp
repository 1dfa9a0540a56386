#include <algorithm>  // any_of
#include <atomic>     // atomic
#include <tuple>      // tuple
#include <utility>    // pair

#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using nlohmann::json;
using testing::RunningSandbox;

json upiOrder(const std::string& moid) {
  return {{"moid", moid},   {"mid", "shop-1"},       {"order_type", "upi"}, {"request_id", "req-9"},
          {"total", "499"}, {"phone", "9876543210"}, {"upi_app", ""},       {"extra", {{"a", 1}}}};
}

TEST(ApiEndpointsTests, VerifyAnswerCarriesEveryFieldTheComponentReads) {
  RunningSandbox sandbox;
  const auto answer = sandbox.post("/api/v1/order/verify", upiOrder("order-1"));
  ASSERT_EQ(answer.status, 200) << answer.raw;
  ASSERT_TRUE(answer.json.at("data").is_object());
  const auto& data = answer.json["data"];

  ASSERT_TRUE(data.at("tarvel_oid").is_string());
  const std::string oid = data["tarvel_oid"];
  EXPECT_FALSE(oid.empty());
  ASSERT_TRUE(data.at("auth_token").is_string());
  EXPECT_GE(data["auth_token"].get<std::string>().size(), 32u);
  EXPECT_EQ(data.at("uapp"), json({"phonepe", "gpay", "paytm", "bhim"}));
  EXPECT_EQ(data.at("u_link"),
            "upi://pay?pa=tarvel.sandbox%40upi&pn=Tarvel%20Sandbox%20Store&am=499.00&tr=" + oid +
                "&cu=INR");
  ASSERT_TRUE(data.at("qrCode").is_string());
  EXPECT_EQ(data["qrCode"].get<std::string>().rfind("data:image/png;base64,", 0), 0u);
  EXPECT_EQ(data.at("total"), "499.00");
  EXPECT_EQ(data.at("msg").at("heading"), "Success!");
  EXPECT_TRUE(data["msg"].at("text").is_string());
  EXPECT_TRUE(data.at("otp_verified").is_null());
  EXPECT_EQ(data.at("merchant_user_verified"), false);
  // The analytics identity block reads these four from the verify answer.
  EXPECT_EQ(data.at("request_id"), "req-9");
  EXPECT_EQ(data.at("order_type"), "upi");
  EXPECT_EQ(data.at("mid"), "shop-1");
  EXPECT_EQ(data.at("moid"), "order-1");
}

TEST(ApiEndpointsTests, VerifyingAgainFindsTheOrderByMerchantAndMakesUpAMissingRequestId) {
  RunningSandbox sandbox;
  const auto first = sandbox.verify(upiOrder("order-1"));
  EXPECT_EQ(sandbox.verify(upiOrder("order-1"))["auth_token"], first["auth_token"]);
  auto otherShop = upiOrder("order-1");
  otherShop["mid"] = "shop-2";
  EXPECT_NE(sandbox.verify(otherShop)["tarvel_oid"], first["tarvel_oid"]);
  const auto bare = sandbox.verify({{"moid", "order-2"}, {"total", 12.5}});
  EXPECT_FALSE(bare.at("request_id").get<std::string>().empty());
  EXPECT_EQ(bare.at("total"), "12.50");
}

TEST(ApiEndpointsTests, PaymentsNamingNoOrderTheWrongAmountOrPayeeOrNoUpiLinkAreRefused) {
  RunningSandbox sandbox;
  const std::string oid = sandbox.verify(upiOrder("order-1"))["tarvel_oid"];
  const std::vector<std::pair<json, int>> refusedPayments = {
      {{{"tr", "tvl_nothing"}}, 404},
      {{{"tr", oid}, {"am", "49.90"}}, 409},
      {{{"tr", oid}, {"pa", "attacker@upi"}}, 409},
      {{{"link", "gpay://upi/pay?pa=tarvel.sandbox%2540upi&tr=" + oid}}, 409},
      {{{"link", "https://example.org/"}}, 400}};
  for (const auto& [body, status] : refusedPayments) {
    const auto refused = sandbox.post("/control/pay", body);
    EXPECT_EQ(refused.status, status) << body.dump();
    EXPECT_TRUE(refused.json.at("error").is_string()) << refused.raw;
  }
  EXPECT_EQ(sandbox.capture(sandbox.verify(upiOrder("order-1"))).json.at("payment_status"),
            "PENDING");
}

TEST(ApiEndpointsTests, CaptureStaysPendingUntilAnAppsDeepLinkPaysOnce) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify(upiOrder("order-1"));
  const std::string oid = order["tarvel_oid"];
  for (int poll = 0; poll < 3; ++poll) {
    const auto pending = sandbox.capture(order);
    ASSERT_EQ(pending.status, 200) << pending.raw;
    EXPECT_EQ(pending.json.at("payment_status"), "PENDING");
    EXPECT_EQ(pending.json.at("data").at("tarvel_oid"), oid);
  }
  // The deep link as a UPI app receives it, decoded once.
  const std::string deepLink =
      "gpay://upi/pay?pa=tarvel.sandbox%40upi&am=499.00&tr=" + oid + "&cu=INR";
  const auto paid = sandbox.post("/control/pay", {{"link", deepLink}, {"app", "gpay"}});
  ASSERT_EQ(paid.status, 200) << paid.raw;
  EXPECT_EQ(paid.json.at("data").at("payment_status"), "PAID");
  EXPECT_EQ(paid.json["data"].at("paid_with"), "gpay");
  const auto again = sandbox.post("/control/pay", {{"tarvel_oid", oid}});
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.json.at("message"), "Already paid");
  EXPECT_EQ(sandbox.get("/control/order?tarvel_oid=" + oid).json.at("data").at("payment_status"),
            "PAID");
  EXPECT_EQ(sandbox.get("/control/order?moid=order-1").json.at("data").at("tarvel_oid"), oid);

  const auto afterPayment = sandbox.capture(order);
  EXPECT_EQ(afterPayment.json.at("payment_status"), "PAID");
  EXPECT_EQ(afterPayment.json.at("data").at("polls"), 4);
}

// Refusals keep the answer's shape, so the component reads them as "not paid".
TEST(ApiEndpointsTests, RefusedCapturesKeepTheShapeAndAreNotCounted) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify(upiOrder("order-1"));
  const std::string oid = order["tarvel_oid"];
  const std::vector<std::tuple<json, int>> refusals = {
      {{{"tarvel_oid", oid}, {"auth_token", "not-the-token"}}, 401},
      {{{"tarvel_oid", oid}}, 401},
      {{{"tarvel_oid", "tvl_unknown"}, {"auth_token", "x"}}, 404}};
  for (const auto& [body, status] : refusals) {
    SCOPED_TRACE(body.dump());
    const auto refused = sandbox.post("/api/v1/payment/capture", body);
    EXPECT_EQ(refused.status, status);
    EXPECT_EQ(refused.json.at("payment_status"), "FAILED");
    EXPECT_EQ(refused.json.at("data"), json::object());
    EXPECT_TRUE(refused.json.at("message").is_string());
  }
  const auto noOrder = sandbox.post("/api/v1/payment/capture", json::object());
  EXPECT_EQ(noOrder.status, 400);
  EXPECT_TRUE(noOrder.json.at("error").is_string());
  EXPECT_EQ(sandbox.server().order(oid)->captures, 0);
}

// A sandbox with a clock the test sets, for the OTP book: "cod-1" orders, one phone each.
struct OtpSandbox {
  static SandboxOptions options(std::shared_ptr<std::atomic<int>> seconds) {
    auto options = RunningSandbox::plainOptions();
    options.clock = [seconds, start = std::chrono::steady_clock::now()] {
      return start + std::chrono::seconds(seconds->load());
    };
    options.otpLifetime = std::chrono::seconds(300);
    return options;
  }
  std::string send(const std::string& path, const std::string& phone) {
    const auto sent = sandbox.post(
        path, {{"mid", "shop-1"}, {"phone", phone}, {"order_type", "cod"}, {"moid", "cod-1"}});
    EXPECT_EQ(sent.status, 200) << sent.raw;
    EXPECT_EQ(sent.json.at("data").at("message"), "OTP sent");
    return sandbox.server().lastOtp("cod-1", phone).value_or("");
  }
  testing::Answer check(const std::string& phone, const std::string& otp) {
    return sandbox.post("/api/v1/user/verify-otp",
                        {{"phone", phone}, {"moid", "cod-1"}, {"otp", otp}});
  }

  const std::shared_ptr<std::atomic<int>> seconds = std::make_shared<std::atomic<int>>(0);
  RunningSandbox sandbox{options(seconds)};
};

TEST(ApiEndpointsTests, OtpIsShownOnTheConsoleAndThroughTheControlEndpoint) {
  OtpSandbox otps;
  const auto code = otps.send("/api/v1/user/send-otp", "1");
  EXPECT_EQ(code.size(), 4u);
  EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos);
  const auto control = otps.sandbox.get("/control/otp?moid=cod-1&phone=1");
  EXPECT_EQ(control.json.at("data").at("otp"), code);
  const auto lines = otps.sandbox.consoleLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.find("OTP " + code + " for phone 1") != std::string::npos;
  }));
  EXPECT_EQ(otps.sandbox.get("/control/otp?moid=cod-1&phone=9").status, 404);
}

TEST(ApiEndpointsTests, OtpIsAcceptedOnceRefusedWhenWrongExpiredOrTriedTooOften) {
  OtpSandbox otps;
  EXPECT_TRUE(otps.sandbox.verify({{"moid", "cod-1"}, {"phone", "1"}})["otp_verified"].is_null());
  const auto right = otps.send("/api/v1/user/send-otp", "1");
  const auto blockedCode = otps.send("/api/v1/user/send-otp", "2");
  const auto wrong = blockedCode == "0000" ? "1111" : "0000";
  const auto inTime = otps.send("/api/v1/user/send-otp", "3");
  const auto late = otps.send("/api/v1/user/send-otp", "4");

  // Each step: who tries which code, at which second, and the answer.
  struct Step {
    std::string phone, otp;
    int at, statusCode;
    std::string statusMessage;
  };
  const std::vector<Step> steps = {
      {"1", right, 0, 200, "OTP verified"},       {"1", right, 0, 400, "OTP already used"},
      {"2", wrong, 0, 400, "Invalid OTP"},        {"2", wrong, 0, 400, "Invalid OTP"},
      {"2", wrong, 0, 400, "Invalid OTP"},        {"2", blockedCode, 0, 429, "Too many attempts"},
      {"9", "1234", 0, 400, "OTP not requested"}, {"3", inTime, 299, 200, "OTP verified"},
      {"4", late, 300, 400, "OTP expired"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.phone + " " + step.otp + " at " + std::to_string(step.at));
    otps.seconds->store(step.at);
    const auto answer = otps.check(step.phone, step.otp);
    ASSERT_TRUE(answer.json.at("statusCode").is_number_integer()) << answer.raw;
    EXPECT_EQ(answer.json["statusCode"], step.statusCode);
    EXPECT_EQ(answer.status, step.statusCode);
    EXPECT_EQ(answer.json.at("statusMessage"), step.statusMessage);
  }
  EXPECT_EQ(otps.sandbox.verify({{"moid", "cod-1"}, {"phone", "1"}})["otp_verified"], true);
  // A resend gives a fresh code and a fresh count of attempts.
  EXPECT_EQ(otps.check("2", otps.send("/api/v1/user/resend-otp", "2")).json.at("statusCode"), 200);
}

// The component sends only "otp" when the order lacks phone or moid.
TEST(ApiEndpointsTests, OtpRequestsWithoutPhoneOrMoidAreRefusedInTheOtpShape) {
  RunningSandbox sandbox;
  const auto onlyOtp = sandbox.post("/api/v1/user/verify-otp", {{"otp", "1234"}});
  EXPECT_EQ(onlyOtp.status, 400);
  EXPECT_EQ(onlyOtp.json.at("statusCode"), 400);
  EXPECT_TRUE(onlyOtp.json.at("statusMessage").is_string());
  EXPECT_TRUE(onlyOtp.json.at("error").is_string());
  const auto noPhone = sandbox.post("/api/v1/user/send-otp", {{"moid", "m"}});
  EXPECT_EQ(noPhone.status, 400);
  EXPECT_NE(noPhone.json.at("error").get<std::string>().find("phone"), std::string::npos);
}

TEST(ApiEndpointsTests, RtoTrackAnswersTrackingDataForAnyRequest) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "rto-1"}, {"order_type", "non-vx"}});
  const auto known = sandbox.get("/api/v2/rto/track?request_id=r1&moid=rto-1");
  ASSERT_EQ(known.status, 200) << known.raw;
  EXPECT_EQ(known.json.at("data").at("request_id"), "r1");
  EXPECT_EQ(known.json["data"].at("moid"), "rto-1");
  EXPECT_EQ(known.json["data"].at("tarvel_oid"), order["tarvel_oid"]);
  // The component sends empty values when the order has none.
  const auto empty = sandbox.get("/api/v2/rto/track?request_id=&moid=");
  EXPECT_EQ(empty.status, 200);
  EXPECT_TRUE(empty.json.at("data").is_object());
  const auto nothing = sandbox.get("/api/v2/rto/track");
  EXPECT_EQ(nothing.status, 400);
  EXPECT_TRUE(nothing.json.at("error").is_string());
}

TEST(ApiEndpointsTests, MalformedRequestsGetJsonErrorsAndTheServerKeepsServing) {
  RunningSandbox sandbox;
  const std::vector<std::string> paths = {"/api/v1/order/verify",
                                          "/api/v1/payment/capture",
                                          "/api/v1/user/send-otp",
                                          "/api/v1/user/resend-otp",
                                          "/api/v1/user/verify-otp",
                                          "/analytics/api/v1/events",
                                          "/control/pay"};
  const std::vector<std::string> bodies = {"",         "not json",       "[1,2]",
                                           "\"text\"", "{\"moid\":",     "{\"moid\": \"\xff\"}",
                                           "{}",       "{\"moid\": [1]}"};
  for (const auto& path : paths) {
    for (const auto& body : bodies) {
      const bool anObject = body == "{}" || body == "{\"moid\": [1]}";
      if (anObject && path == "/analytics/api/v1/events") continue;  // any object is an event
      SCOPED_TRACE(path + " " + body);
      const auto answer = sandbox.postRaw(path, body);
      EXPECT_GE(answer.status, 400);
      EXPECT_LT(answer.status, 500);
      ASSERT_TRUE(answer.json.is_object()) << answer.raw;
      EXPECT_TRUE(answer.json.contains("error")) << answer.raw;
    }
  }
  EXPECT_EQ(sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"total", "4x"}}).status, 400);
  EXPECT_EQ(sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"sandbox_scenario", 5}}).status,
            400);
  EXPECT_EQ(sandbox.post("/api/v1/order/verify", {{"moid", "still-alive"}}).status, 200);
}

TEST(ApiEndpointsTests, OversizedAndDeeplyNestedBodiesAreRefused) {
  RunningSandbox sandbox;
  // Deep nesting within the size bound must neither crash the parser nor the answer.
  EXPECT_EQ(
      sandbox.postRaw("/api/v1/order/verify", std::string(30000, '[') + std::string(30000, ']'))
          .status,
      400);
  const auto tooLarge =
      sandbox.postRaw("/api/v1/order/verify", "{\"moid\":\"" + std::string(70 * 1024, 'a') + "\"}");
  EXPECT_EQ(tooLarge.status, 413);
  EXPECT_TRUE(tooLarge.json.contains("error"));
  const auto unknownPath = sandbox.get("/api/v9/nothing");
  EXPECT_EQ(unknownPath.status, 404);
  EXPECT_TRUE(unknownPath.json.contains("error"));
}

TEST(ApiEndpointsTests, QueryValuesAndPhonesThatAreNotPlainTextCannotForgeConsoleLines) {
  RunningSandbox sandbox;
  const auto oddQuery = sandbox.get("/api/v2/rto/track?request_id=%FF%0A&moid=%0Aforged");
  EXPECT_EQ(oddQuery.status, 200);
  EXPECT_TRUE(oddQuery.json.is_object()) << oddQuery.raw;
  sandbox.post("/api/v1/user/send-otp", {{"moid", "m"}, {"phone", "1\nforged"}});
  for (const auto& line : sandbox.consoleLines()) EXPECT_EQ(line.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace tarvel::sandbox
