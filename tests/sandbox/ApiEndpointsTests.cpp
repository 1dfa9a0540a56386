// The platform's API, control and page endpoints over plain HTTP: answers, refusals, payments.
#include <atomic>  // atomic

#include "QrCodeImage.h"
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using nlohmann::json;
using testing::expectShape;
using testing::parseWith;
using testing::RunningSandbox;

// Sends each request of `rows` (JSON text, one row a line, "$name" replaced from `vars`)
// and checks its answer: {"GET" or "POST": path, "body": JSON, "status": code (200 when
// left out), "shape": pointers and values as expectShape reads them}.
void expectAnswers(const RunningSandbox& sandbox, const std::string& rows,
                   const std::map<std::string, std::string>& vars = {}) {
  for (const auto& row : parseWith(rows, vars)) {
    SCOPED_TRACE(row.dump().substr(0, 200));
    const auto answer = row.contains("GET")
                            ? sandbox.get(row["GET"])
                            : sandbox.post(row["POST"], row.value("body", nlohmann::json()));
    EXPECT_EQ(answer.status, row.value("status", 200)) << answer.raw;
    expectShape(answer.json, row.value("shape", nlohmann::json::object()));
  }
}

const json kUpiOrder = json::parse(R"({"moid": "order-1", "mid": "shop-1", "order_type": "upi",
    "request_id": "req-9", "total": "499", "phone": "9876543210", "upi_app": "", "extra": {"a": 1}})");

// The QR code itself: VerifyQrCodeIsTheImageOfTheUpiLink.
TEST(ApiEndpointsTests, VerifyAnswerCarriesEveryFieldTheComponentReads) {
  RunningSandbox sandbox;
  const auto data = sandbox.verify(kUpiOrder);
  const std::string oid = data.value("tarvel_oid", "");
  EXPECT_FALSE(oid.empty());
  EXPECT_GE(data.value("auth_token", "").size(), 32u);
  // The analytics identity block reads request_id, order_type, mid and moid.
  expectShape(data, parseWith(R"({"/uapp": ["phonepe", "gpay", "paytm", "bhim"],
      "/u_link": "upi://pay?pa=tarvel.sandbox%40upi&pn=Tarvel%20Sandbox%20Store&am=499.00&tr=$oid&cu=INR",
      "/qrCode": "<string>", "/total": "499.00", "/msg/heading": "Success!", "/msg/text": "<string>",
      "/otp_verified": null, "/merchant_user_verified": false,
      "/request_id": "req-9", "/order_type": "upi", "/mid": "shop-1", "/moid": "order-1"})",
                              {{"oid", oid}}));

  // Verifying again finds the order by merchant and moid; a missing request_id is made up.
  EXPECT_EQ(sandbox.verify(kUpiOrder)["auth_token"], data["auth_token"]);
  auto otherShop = kUpiOrder;
  otherShop["mid"] = "shop-2";
  EXPECT_NE(sandbox.verify(otherShop)["tarvel_oid"], oid);
  const auto bare = sandbox.verify({{"moid", "order-2"}, {"total", 12.5}});
  EXPECT_FALSE(bare.value("request_id", "").empty());
  EXPECT_EQ(bare.at("total"), "12.50");
}

// The QR code is the platform's image of the link the answer carries; the image itself, as the
// screen shows it: the golden images of the QR screen, which draw QrCodeImage::dataUrl.
TEST(ApiEndpointsTests, VerifyQrCodeIsTheImageOfTheUpiLink) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "qr-1"}, {"total", "10"}});
  EXPECT_EQ(order.at("qrCode"), *QrCodeImage::dataUrl(order.at("u_link").get<std::string>()));
}

// Refusals keep their endpoint's answer shape, so the component reads them as what they are;
// no refused payment pays (a link escaped twice names nobody's payee) and no refused capture
// counts as a poll. The component sends only "otp" to verify-otp when the order lacks phone or
// moid.
TEST(ApiEndpointsTests, EachRefusalHasItsStatusAndShape) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify(kUpiOrder);
  const std::string oid = order["tarvel_oid"];
  // $E: an error's shape; $F: a refused capture's.
  expectAnswers(sandbox,
                R"([
    {"POST": "/control/pay", "body": {"tr": "tvl_nothing"}, "status": 404, "shape": $E},
    {"POST": "/control/pay", "body": {"tr": "$oid", "am": "49.90"}, "status": 409, "shape": $E},
    {"POST": "/control/pay", "body": {"link": "gpay://upi/pay?pa=tarvel.sandbox%2540upi&tr=$oid"},
     "status": 409, "shape": $E},
    {"POST": "/control/pay", "body": {"link": "https://example.org/"}, "status": 400, "shape": $E},
    {"POST": "/api/v1/payment/capture", "body": {"tarvel_oid": "$oid", "auth_token": "wrong"},
     "status": 401, "shape": $F},
    {"POST": "/api/v1/payment/capture", "body": {"tarvel_oid": "tvl_x", "auth_token": "x"},
     "status": 404, "shape": $F},
    {"POST": "/api/v1/payment/capture", "body": {}, "status": 400, "shape": $E},
    {"POST": "/api/v1/user/verify-otp", "body": {"otp": "1234"}, "status": 400,
     "shape": {"/statusCode": 400, "/statusMessage": "<string>", "/error": "<string>"}},
    {"POST": "/api/v1/user/send-otp", "body": {"moid": "m"}, "status": 400, "shape": $E},
    {"POST": "/api/v1/order/verify", "body": {"moid": "m", "total": "4x"}, "status": 400},
    {"POST": "/api/v1/order/verify", "body": {"moid": "m", "sandbox_scenario": 5}, "status": 400},
    {"GET": "/api/v2/rto/track", "status": 400, "shape": $E},
    {"GET": "/api/v9/nothing", "status": 404, "shape": $E}])",
                {{"oid", oid},
                 {"E", R"({"/error": "<string>"})"},
                 {"F", R"({"/payment_status": "FAILED", "/data": {}, "/message": "<string>"})"}});
  EXPECT_EQ(sandbox.server().order(oid)->captures, 0);
  EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), "PENDING");
}

// The hosted page's "pay" (the page itself: the concurrent flows' web checkout pays through it)
// or a deep link as a UPI app receives it, decoded once (the simulated app itself:
// UpiAppTests), pays once; paying again changes nothing; the status poll turns PAID.
TEST(ApiEndpointsTests, DeepLinkOrPagePaysOnceAndTheStatusPollTurnsPaid) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify(kUpiOrder);
  const std::string oid = order["tarvel_oid"];
  const std::string poll = R"("POST": "/api/v1/payment/capture", "body": {"tarvel_oid": ")" + oid +
                           R"(", "auth_token": ")" + order["auth_token"].get<std::string>() + "\"}";
  const auto web = sandbox.verify({{"moid", "web-1"}, {"mid", "shop"}, {"total", "25"}});
  expectAnswers(sandbox, R"([
    {$poll, "shape": {"/payment_status": "PENDING", "/data/tarvel_oid": "$oid"}},
    {"POST": "/control/pay", "body": {"app": "gpay",
     "link": "gpay://upi/pay?pa=tarvel.sandbox%40upi&am=499.00&tr=$oid&cu=INR"},
     "shape": {"/data/payment_status": "PAID", "/data/paid_with": "gpay"}},
    {"POST": "/control/pay", "body": {"tarvel_oid": "$oid"}, "shape": {"/message": "Already paid"}},
    {"POST": "/web/pay",
     "body": {"tarvel_oid": "$web", "mid": "shop", "moid": "web-1", "environment": "sandbox"},
     "shape": {"/data/payment_status": "PAID", "/data/paid_with": "web",
               "/data/auth_token": "<absent>"}},
    {"POST": "/web/pay", "body": {"tarvel_oid": "$web"}, "shape": {"/message": "Already paid"}},
    {"POST": "/web/pay", "body": {"tarvel_oid": "oid-unknown"}, "status": 400,
     "shape": {"/error": "<string>"}},
    {"GET": "/control/order?tarvel_oid=$oid", "shape": {"/data/payment_status": "PAID"}},
    {"GET": "/control/order?moid=order-1", "shape": {"/data/tarvel_oid": "$oid"}},
    {$poll, "shape": {"/payment_status": "PAID", "/data/polls": 2}}])",
                {{"oid", oid}, {"poll", poll}, {"web", web["tarvel_oid"]}});
  EXPECT_EQ(sandbox.capture(web).json.at("payment_status"), "PAID");
}

// A sandbox with a clock the test sets, for the OTP book: "cod-1" orders, one phone each.
struct OtpSandbox {
  std::string send(const std::string& phone, const std::string& path = "/api/v1/user/send-otp") {
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
  RunningSandbox sandbox{[seconds = seconds](SandboxOptions& options) {
    options.clock = [seconds, start = std::chrono::steady_clock::now()] {
      return start + std::chrono::seconds(seconds->load());
    };
    options.otpLifetime = std::chrono::seconds(300);
  }};
};

// Four digits, shown through the control endpoint.
TEST(ApiEndpointsTests, OtpIsAcceptedOnceRefusedWhenWrongExpiredOrTriedTooOften) {
  OtpSandbox otps;
  EXPECT_TRUE(otps.sandbox.verify({{"moid", "cod-1"}, {"phone", "1"}})["otp_verified"].is_null());
  const auto right = otps.send("1");
  EXPECT_EQ(right.size(), 4u);
  EXPECT_EQ(right.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(otps.sandbox.get("/control/otp?moid=cod-1&phone=1").json.at("data").at("otp"), right);
  EXPECT_EQ(otps.sandbox.get("/control/otp?moid=cod-1&phone=9").status, 404);
  const auto blockedCode = otps.send("2");
  const auto wrong = blockedCode == "0000" ? "1111" : "0000";
  const auto inTime = otps.send("3");
  const auto late = otps.send("4");

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
    EXPECT_EQ(answer.status, step.statusCode);
    expectShape(answer.json,
                {{"/statusCode", step.statusCode}, {"/statusMessage", step.statusMessage}});
  }
  EXPECT_EQ(otps.sandbox.verify({{"moid", "cod-1"}, {"phone", "1"}})["otp_verified"], true);
  // A resend gives a fresh code and a fresh count of attempts.
  EXPECT_EQ(otps.check("2", otps.send("2", "/api/v1/user/resend-otp")).json.at("statusCode"), 200);
}

// Tracking data for any request, with the empty values the component sends when the order has
// none; query values and phones that are not plain text cannot forge console lines.
TEST(ApiEndpointsTests, RtoTrackAnswersTrackingDataForAnyRequest) {
  RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "rto-1"}, {"order_type", "non-vx"}});
  expectAnswers(sandbox, R"([
    {"GET": "/api/v2/rto/track?request_id=r1&moid=rto-1",
     "shape": {"/data/request_id": "r1", "/data/moid": "rto-1", "/data/tarvel_oid": "$oid"}},
    {"GET": "/api/v2/rto/track?request_id=&moid=", "shape": {"/data/request_id": ""}},
    {"GET": "/api/v2/rto/track?request_id=%FF%0A&moid=%0Aforged", "shape": {"/data": "<present>"}},
    {"POST": "/api/v1/user/send-otp", "body": {"moid": "m", "phone": "1\nforged"}}])",
                {{"oid", order["tarvel_oid"]}});
  for (const auto& line : sandbox.consoleLines()) EXPECT_EQ(line.find('\n'), std::string::npos);
}

// Bodies that are not JSON objects, not UTF-8, too deep or too large: a JSON error, and the
// server keeps serving.
TEST(ApiEndpointsTests, MalformedRequestsGetJsonErrorsAndTheServerKeepsServing) {
  RunningSandbox sandbox;
  const std::string tooLarge = "{\"moid\":\"" + std::string(70 * 1024, 'a') + "\"}";
  const std::vector<std::string> bodies = {
      "",   "not json",        "[1,2]",  "{\"moid\": \"\xff\"}",
      "{}", "{\"moid\": [1]}", tooLarge, std::string(30000, '[') + std::string(30000, ']')};
  for (const char* path :
       {"/api/v1/order/verify", "/api/v1/payment/capture", "/api/v1/user/send-otp",
        "/api/v1/user/resend-otp", "/api/v1/user/verify-otp", "/analytics/api/v1/events",
        "/control/pay", "/web/pay"}) {
    for (const auto& body : bodies) {
      const bool anObject = body == "{}" || body == "{\"moid\": [1]}";
      if (anObject && path == std::string("/analytics/api/v1/events")) continue;  // an event
      SCOPED_TRACE(path + (" " + body.substr(0, 20)));
      const auto answer = sandbox.postRaw(path, body);
      EXPECT_TRUE(body != tooLarge || answer.status == 413) << answer.status;
      EXPECT_GE(answer.status, 400);
      EXPECT_LT(answer.status, 500);
      expectShape(answer.json, {{"/error", "<present>"}});
    }
  }
  EXPECT_EQ(sandbox.post("/api/v1/order/verify", {{"moid", "still-alive"}}).status, 200);
}

}  // namespace
}  // namespace tarvel::sandbox
