#include <gtest/gtest.h>

#include <string>  // string

#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::ManualClock;
using testing::RunningSandbox;

nlohmann::json upiOrder(const std::string& moid) {
  return {{"moid", moid},   {"mid", "shop-1"},       {"order_type", "upi"}, {"request_id", "req-9"},
          {"total", "499"}, {"phone", "9876543210"}, {"upi_app", ""},       {"extra", {{"a", 1}}}};
}

nlohmann::json otpBody(const std::string& moid, const std::string& phone) {
  return {{"mid", "shop-1"}, {"phone", phone}, {"order_type", "cod"}, {"moid", moid}};
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
  EXPECT_EQ(data.at("uapp"), nlohmann::json({"phonepe", "gpay", "paytm", "bhim"}));
  EXPECT_EQ(data.at("u_link"),
            "upi://pay?pa=tarvel.sandbox%40upi&pn=Tarvel%20Sandbox%20Store"
            "&am=499.00&tr=" +
                oid + "&cu=INR");
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

TEST(ApiEndpointsTests, VerifyFindsTheSameOrderAgainAndKeysItByMerchant) {
  RunningSandbox sandbox;
  const auto first = sandbox.verify(upiOrder("order-1"));
  const auto again = sandbox.verify(upiOrder("order-1"));
  EXPECT_EQ(first["tarvel_oid"], again["tarvel_oid"]);
  EXPECT_EQ(first["auth_token"], again["auth_token"]);

  auto otherMerchant = upiOrder("order-1");
  otherMerchant["mid"] = "shop-2";
  EXPECT_NE(sandbox.verify(otherMerchant)["tarvel_oid"], first["tarvel_oid"]);

  // A missing request id is made up, so the identity block is always complete.
  const auto bare = sandbox.verify({{"moid", "order-2"}, {"total", 12.5}});
  EXPECT_TRUE(bare.at("request_id").is_string());
  EXPECT_FALSE(bare["request_id"].get<std::string>().empty());
  EXPECT_EQ(bare.at("total"), "12.50");
}

TEST(ApiEndpointsTests, CaptureStaysPendingUntilTheOrderIsPaid) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify(upiOrder("order-1"));
  for (int poll = 0; poll < 3; ++poll) {
    const auto pending = sandbox.capture(order);
    ASSERT_EQ(pending.status, 200) << pending.raw;
    EXPECT_EQ(pending.json.at("payment_status"), "PENDING");
    EXPECT_TRUE(pending.json.at("data").is_object());
    EXPECT_EQ(pending.json["data"].at("tarvel_oid"), order["tarvel_oid"]);
  }
  const auto paid = sandbox.post("/control/pay", {{"tarvel_oid", order["tarvel_oid"]}});
  ASSERT_EQ(paid.status, 200) << paid.raw;

  const auto afterPayment = sandbox.capture(order);
  EXPECT_EQ(afterPayment.json.at("payment_status"), "PAID");
  EXPECT_TRUE(afterPayment.json.at("data").is_object());
  EXPECT_EQ(afterPayment.json["data"].at("polls"), 4);
}

TEST(ApiEndpointsTests, CaptureRefusesWrongOrMissingTokens) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify(upiOrder("order-1"));
  sandbox.post("/control/pay", {{"tarvel_oid", order["tarvel_oid"]}});

  auto forged = order;
  forged["auth_token"] = "not-the-token";
  const auto wrong = sandbox.capture(forged);
  EXPECT_EQ(wrong.status, 401);
  EXPECT_EQ(wrong.json.at("payment_status"), "FAILED");
  EXPECT_EQ(wrong.json.at("data"), nlohmann::json::object());
  EXPECT_TRUE(wrong.json.at("message").is_string());

  const auto missing =
      sandbox.post("/api/v1/payment/capture", {{"tarvel_oid", order["tarvel_oid"]}});
  EXPECT_EQ(missing.status, 401);
  EXPECT_EQ(missing.json.at("payment_status"), "FAILED");

  const auto unknown =
      sandbox.post("/api/v1/payment/capture", {{"tarvel_oid", "tvl_unknown"}, {"auth_token", "x"}});
  EXPECT_EQ(unknown.status, 404);
  EXPECT_EQ(unknown.json.at("payment_status"), "FAILED");

  const auto noOrder = sandbox.post("/api/v1/payment/capture", nlohmann::json::object());
  EXPECT_EQ(noOrder.status, 400);
  EXPECT_TRUE(noOrder.json.at("error").is_string());
  // Refused polls are not counted.
  EXPECT_EQ(sandbox.server().order(order["tarvel_oid"])->captures, 0);
}

TEST(ApiEndpointsTests, SendAndResendIssueFourDigitOtpsShownOnTheConsole) {
  RunningSandbox sandbox;
  const auto sent = sandbox.post("/api/v1/user/send-otp", otpBody("cod-1", "9000000001"));
  ASSERT_EQ(sent.status, 200) << sent.raw;
  EXPECT_EQ(sent.json.at("data").at("message"), "OTP sent");
  const auto first = sandbox.server().lastOtp("cod-1", "9000000001");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), 4u);
  EXPECT_EQ(first->find_first_not_of("0123456789"), std::string::npos);

  const auto resent = sandbox.post("/api/v1/user/resend-otp", otpBody("cod-1", "9000000001"));
  ASSERT_EQ(resent.status, 200);
  EXPECT_EQ(resent.json.at("data").at("message"), "OTP sent");
  const auto second = sandbox.server().lastOtp("cod-1", "9000000001");
  const auto control = sandbox.get("/control/otp?moid=cod-1&phone=9000000001");
  EXPECT_EQ(control.json.at("data").at("otp"), *second);

  int noticed = 0;
  for (const auto& line : sandbox.consoleLines()) {
    if (line.find("OTP " + *second) != std::string::npos) ++noticed;
  }
  EXPECT_GE(noticed, 1);
  EXPECT_EQ(sandbox.get("/control/otp?moid=cod-1&phone=1").status, 404);
}

TEST(ApiEndpointsTests, VerifyOtpAcceptsTheRightCodeOnceAndMarksThePhoneVerified) {
  RunningSandbox sandbox;
  const auto order =
      sandbox.verify({{"moid", "cod-1"}, {"phone", "9000000001"}, {"order_type", "cod"}});
  EXPECT_TRUE(order.at("otp_verified").is_null());
  sandbox.post("/api/v1/user/send-otp", otpBody("cod-1", "9000000001"));
  const auto code = *sandbox.server().lastOtp("cod-1", "9000000001");

  const auto body = nlohmann::json{{"phone", "9000000001"}, {"moid", "cod-1"}, {"otp", code}};
  const auto accepted = sandbox.post("/api/v1/user/verify-otp", body);
  ASSERT_TRUE(accepted.json.at("statusCode").is_number_integer()) << accepted.raw;
  EXPECT_EQ(accepted.json["statusCode"], 200);

  const auto reused = sandbox.post("/api/v1/user/verify-otp", body);
  EXPECT_EQ(reused.json.at("statusCode"), 400);
  EXPECT_EQ(reused.json.at("statusMessage"), "OTP already used");

  const auto reverified =
      sandbox.verify({{"moid", "cod-1"}, {"phone", "9000000001"}, {"order_type", "cod"}});
  EXPECT_EQ(reverified.at("otp_verified"), true);
}

TEST(ApiEndpointsTests, VerifyOtpLimitsWrongAttemptsUntilANewCodeIsSent) {
  RunningSandbox sandbox;
  sandbox.post("/api/v1/user/send-otp", otpBody("cod-1", "9000000001"));
  const auto code = *sandbox.server().lastOtp("cod-1", "9000000001");
  const std::string wrongCode = code == "0000" ? "1111" : "0000";

  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto wrong =
        sandbox.post("/api/v1/user/verify-otp",
                     {{"phone", "9000000001"}, {"moid", "cod-1"}, {"otp", wrongCode}});
    EXPECT_EQ(wrong.status, 400);
    EXPECT_EQ(wrong.json.at("statusCode"), 400);
    EXPECT_EQ(wrong.json.at("statusMessage"), "Invalid OTP");
  }
  const auto blocked = sandbox.post("/api/v1/user/verify-otp",
                                    {{"phone", "9000000001"}, {"moid", "cod-1"}, {"otp", code}});
  EXPECT_NE(blocked.json.at("statusCode"), 200);
  EXPECT_EQ(blocked.json.at("statusMessage"), "Too many attempts");

  sandbox.post("/api/v1/user/resend-otp", otpBody("cod-1", "9000000001"));
  const auto fresh = *sandbox.server().lastOtp("cod-1", "9000000001");
  const auto accepted = sandbox.post("/api/v1/user/verify-otp",
                                     {{"phone", "9000000001"}, {"moid", "cod-1"}, {"otp", fresh}});
  EXPECT_EQ(accepted.json.at("statusCode"), 200);
}

TEST(ApiEndpointsTests, VerifyOtpExpiresAfterItsLifetime) {
  ManualClock manual;
  auto options = RunningSandbox::plainOptions();
  options.clock = manual.clock();
  options.otpLifetime = std::chrono::seconds(300);
  RunningSandbox sandbox(options);
  sandbox.post("/api/v1/user/send-otp", otpBody("cod-1", "1111111111"));
  sandbox.post("/api/v1/user/send-otp", otpBody("cod-1", "2222222222"));

  manual.advance(std::chrono::seconds(299));
  const auto inTime = sandbox.post("/api/v1/user/verify-otp",
                                   {{"phone", "1111111111"},
                                    {"moid", "cod-1"},
                                    {"otp", *sandbox.server().lastOtp("cod-1", "1111111111")}});
  EXPECT_EQ(inTime.json.at("statusCode"), 200);

  manual.advance(std::chrono::seconds(1));
  const auto late = sandbox.post("/api/v1/user/verify-otp",
                                 {{"phone", "2222222222"},
                                  {"moid", "cod-1"},
                                  {"otp", *sandbox.server().lastOtp("cod-1", "2222222222")}});
  EXPECT_EQ(late.json.at("statusCode"), 400);
  EXPECT_EQ(late.json.at("statusMessage"), "OTP expired");
}

TEST(ApiEndpointsTests, VerifyOtpWithoutARequestOrWithoutKeysIsRejected) {
  RunningSandbox sandbox;
  const auto unrequested =
      sandbox.post("/api/v1/user/verify-otp", {{"phone", "1"}, {"moid", "never"}, {"otp", "1234"}});
  EXPECT_EQ(unrequested.json.at("statusCode"), 400);
  EXPECT_EQ(unrequested.json.at("statusMessage"), "OTP not requested");

  // The component sends only "otp" when the order lacks phone or moid.
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
  ASSERT_TRUE(known.json.at("data").is_object());
  EXPECT_EQ(known.json["data"].at("request_id"), "r1");
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
      const auto answer = sandbox.postRaw(path, body);
      EXPECT_GE(answer.status, 400) << path << " " << body;
      EXPECT_LT(answer.status, 500) << path << " " << body;
      ASSERT_TRUE(answer.json.is_object()) << path << " " << answer.raw;
      EXPECT_TRUE(answer.json.contains("error")) << path << " " << answer.raw;
    }
  }
  const auto badAmount = sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"total", "4x"}});
  EXPECT_EQ(badAmount.status, 400);
  const auto badScenario =
      sandbox.post("/api/v1/order/verify", {{"moid", "m"}, {"sandbox_scenario", 5}});
  EXPECT_EQ(badScenario.status, 400);

  // Deep nesting within the size bound must neither crash the parser nor the answer.
  const auto deep =
      sandbox.postRaw("/api/v1/order/verify", std::string(30000, '[') + std::string(30000, ']'));
  EXPECT_EQ(deep.status, 400);

  const auto tooLarge =
      sandbox.postRaw("/api/v1/order/verify", "{\"moid\":\"" + std::string(70 * 1024, 'a') + "\"}");
  EXPECT_EQ(tooLarge.status, 413);
  EXPECT_TRUE(tooLarge.json.contains("error"));

  // Query values that are not UTF-8 or hold line breaks are echoed safely.
  const auto oddQuery = sandbox.get("/api/v2/rto/track?request_id=%FF%0A&moid=%0Aforged");
  EXPECT_EQ(oddQuery.status, 200);
  EXPECT_TRUE(oddQuery.json.is_object()) << oddQuery.raw;
  sandbox.post("/api/v1/user/send-otp", {{"moid", "m"}, {"phone", "1\nforged"}});
  for (const auto& line : sandbox.consoleLines()) {
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  }

  const auto unknownPath = sandbox.get("/api/v9/nothing");
  EXPECT_EQ(unknownPath.status, 404);
  EXPECT_TRUE(unknownPath.json.contains("error"));

  EXPECT_EQ(sandbox.post("/api/v1/order/verify", {{"moid", "still-alive"}}).status, 200);
}

}  // namespace
}  // namespace tarvel::sandbox
