#include "ApiEndpoints.h"

#include <optional>  // optional
#include <utility>   // move

#include "Amount.h"
#include "HttpJson.h"
#include "QrCodeImage.h"
#include "SecureRandom.h"
#include "UpiLink.h"

namespace tarvel::sandbox {
namespace {

constexpr std::int64_t kDefaultAmountPaise = 100;
constexpr std::size_t kRequestIdBytes = 6;

// The amount of a verify body: "total" or else "amount", as text or number; one rupee when
// neither is there. Nothing when a value is there but is not an amount.
std::optional<std::string> orderAmount(const nlohmann::json& body) {
  for (const char* key : {"total", "amount"}) {
    if (!body.contains(key)) continue;
    const auto paise = Amount::paiseOfJson(body.at(key));
    if (!paise) return std::nullopt;
    return Amount::text(*paise);
  }
  return Amount::text(kDefaultAmountPaise);
}

// The order's scenario: "sandbox_scenario" when the body has it, else the moid's name.
std::optional<Scenario> scenarioOf(const nlohmann::json& body, const std::string& moid,
                                   httplib::Response& response) {
  const auto named = body.find("sandbox_scenario");
  if (named == body.end()) return Scenario::fromMoid(moid);
  if (!named->is_string()) {
    HttpJson::error(response, 400, "\"sandbox_scenario\" must be a text");
    return std::nullopt;
  }
  std::string unknown;
  auto scenario = Scenario::parseList(named->get<std::string>(), &unknown);
  if (!scenario) HttpJson::error(response, 400, "unknown sandbox scenario \"" + unknown + "\"");
  return scenario;
}

nlohmann::json failedCapture(std::string_view message) {
  return {{"data", nlohmann::json::object()},
          {"payment_status", "FAILED"},
          {"message", std::string(message)}};
}

nlohmann::json otpRejection(int statusCode, std::string_view message) {
  return {{"statusCode", statusCode},
          {"statusMessage", std::string(message)},
          {"error", std::string(message)}};
}

// What a talkative platform adds to a verify answer: secrets under other key names (each
// holding the order's auth token, so a search for the token finds any of them) and the phone
// under other keys and in free text.
void addChattyFields(const Order& order, nlohmann::json& data) {
  data["access_token"] = "at-" + order.authToken;
  data["Auth_Token"] = order.authToken;
  data["client_secret"] = "cs-" + order.authToken;
  data["card_number"] = "cn-" + order.authToken;
  data["upi_pin"] = "pin-" + order.authToken;
  data["customer"] = {{"mobile", "+91 " + order.phone},
                      {"msisdn", "91" + order.phone},
                      {"note", "call " + order.phone + " before delivery"}};
}

}  // namespace

ApiEndpoints::ApiEndpoints(PlatformState& state, FaultInjection& faults)
    : state_(state), faults_(faults) {}

void ApiEndpoints::install(httplib::Server& server, const std::string& prefix) {
  server.Post(prefix + "v1/order/verify",
              [this](const auto& request, auto& response) { verifyOrder(request, response); });
  server.Post(prefix + "v1/payment/capture",
              [this](const auto& request, auto& response) { capturePayment(request, response); });
  server.Post(prefix + "v1/user/send-otp",
              [this](const auto& request, auto& response) { sendOtp(request, response, false); });
  server.Post(prefix + "v1/user/resend-otp",
              [this](const auto& request, auto& response) { sendOtp(request, response, true); });
  server.Post(prefix + "v1/user/verify-otp",
              [this](const auto& request, auto& response) { verifyOtp(request, response); });
  server.Get(prefix + "v2/rto/track",
             [this](const auto& request, auto& response) { trackRto(request, response); });
}

Scenario ApiEndpoints::scenarioForMoid(const std::string& moid) const {
  if (const auto order = state_.orders.byMoid(moid)) return order->scenario;
  return Scenario::fromMoid(moid);
}

nlohmann::json ApiEndpoints::verifyData(const Order& order) const {
  const Scenario& scenario = order.scenario;
  UpiLink link;
  link.payeeAddress = state_.options.payeeAddress;
  link.payeeName = state_.options.payeeName;
  link.amount = order.amount;
  link.reference = order.tarvelOid;
  const std::string upiLink = link.toString();

  const bool otpVerified = scenario.otpVerified || state_.otps.isVerified(order.moid, order.phone);
  nlohmann::json data = {
      {"tarvel_oid", order.tarvelOid},
      {"auth_token", order.authToken},
      {"mid", order.mid},
      {"moid", order.moid},
      {"order_type", order.orderType},
      {"request_id", order.requestId},
      {"phone", order.phone},
      {"total", order.amount},
      {"currency", "INR"},
      {"environment", "sandbox"},
      {"payment_status",
       paymentStatusText(scenario.neverPays ? PaymentStatus::pending : order.status)},
      // Null asks the shopper for an OTP; true says the phone is proven already.
      {"otp_verified", otpVerified ? nlohmann::json(true) : nlohmann::json(nullptr)},
      {"merchant_user_verified", scenario.merchantVerified},
      {"msg",
       scenario.verifyFails
           ? nlohmann::json{{"heading", "Failed!"}, {"text", "The order could not be verified."}}
           : nlohmann::json{{"heading", "Success!"}, {"text", "Order verified."}}},
  };
  if (scenario.chatty) addChattyFields(order, data);
  if (!scenario.withoutApps) data["uapp"] = state_.options.upiApps;
  if (!scenario.withoutLink) data["u_link"] = upiLink;
  if (!scenario.withoutQrCode) {
    if (auto qrCode = QrCodeImage::dataUrl(upiLink)) data["qrCode"] = std::move(*qrCode);
  }
  return data;
}

void ApiEndpoints::verifyOrder(const httplib::Request& request, httplib::Response& response) {
  const auto body = HttpJson::objectBody(request, response);
  if (!body) return;
  const auto moid = HttpJson::requiredText(*body, "moid", response);
  if (!moid) return;
  const auto scenario = scenarioOf(*body, *moid, response);
  if (!scenario) return;
  const auto amount = orderAmount(*body);
  if (!amount) {
    HttpJson::error(response, 400, "\"total\" is not an amount such as \"499.00\"");
    return;
  }

  Order draft;
  draft.mid = HttpJson::text(*body, "mid").value_or("");
  draft.moid = *moid;
  draft.orderType = HttpJson::text(*body, "order_type").value_or("");
  draft.requestId =
      HttpJson::text(*body, "request_id").value_or("req_" + SecureRandom::hex(kRequestIdBytes));
  draft.phone = HttpJson::text(*body, "phone").value_or("");
  draft.amount = *amount;
  draft.scenario = *scenario;
  const auto [order, created] = state_.orders.findOrCreate(std::move(draft));
  if (created) {
    state_.say("order " + order.tarvelOid + " created for moid " + order.moid + ", INR " +
               order.amount);
  }
  faults_.answer(order.scenario, Endpoint::verify, 200,
                 {{"data", verifyData(order)}, {"status", true}, {"message", "Order verified"}},
                 response);
}

void ApiEndpoints::capturePayment(const httplib::Request& request, httplib::Response& response) {
  const auto body = HttpJson::objectBody(request, response);
  if (!body) return;
  const auto tarvelOid = HttpJson::requiredText(*body, "tarvel_oid", response);
  if (!tarvelOid) return;
  const auto capture =
      state_.orders.capture(*tarvelOid, HttpJson::text(*body, "auth_token").value_or(""));
  switch (capture.outcome) {
    case OrderBook::CaptureOutcome::unknownOrder:
      HttpJson::send(response, 404, failedCapture("unknown tarvel_oid"));
      return;
    case OrderBook::CaptureOutcome::badToken:
      faults_.answer(capture.order.scenario, Endpoint::capture, 401,
                     failedCapture("missing or wrong auth_token"), response);
      return;
    case OrderBook::CaptureOutcome::accepted:
      break;
  }
  const Order& order = capture.order;
  const bool paid = capture.reported == PaymentStatus::paid;
  const nlohmann::json data = {{"tarvel_oid", order.tarvelOid},
                               {"moid", order.moid},
                               {"mid", order.mid},
                               {"total", order.amount},
                               {"polls", order.captures},
                               {"payment_status", paymentStatusText(capture.reported)}};
  faults_.answer(order.scenario, Endpoint::capture, 200,
                 {{"data", data},
                  {"payment_status", paymentStatusText(capture.reported)},
                  {"message", paid ? "Payment received" : "Payment pending"}},
                 response);
}

void ApiEndpoints::sendOtp(const httplib::Request& request, httplib::Response& response,
                           bool resend) {
  const auto body = HttpJson::objectBody(request, response);
  if (!body) return;
  const auto moid = HttpJson::requiredText(*body, "moid", response);
  if (!moid) return;
  const auto phone = HttpJson::requiredText(*body, "phone", response);
  if (!phone) return;

  const std::string code = state_.otps.issue(*moid, *phone);
  // The sandbox's stand-in for an SMS: the code appears on its console.
  state_.say("OTP " + code + " for phone " + *phone + ", moid " + *moid +
             (resend ? " (resent)" : ""));
  nlohmann::json data = {{"message", "OTP sent"},
                         {"phone", *phone},
                         {"moid", *moid},
                         {"resend", resend},
                         {"expires_in", state_.otps.lifetime().count()}};
  if (scenarioForMoid(*moid).chatty) {
    data["otp_code"] = code;
    data["sms"] = "Your Tarvel OTP is " + code + ". Sent to " + *phone + ".";
  }
  faults_.answer(scenarioForMoid(*moid), Endpoint::otp, 200,
                 {{"data", data}, {"statusCode", 200}, {"statusMessage", "OTP sent"}}, response);
}

void ApiEndpoints::verifyOtp(const httplib::Request& request, httplib::Response& response) {
  const auto body = HttpJson::objectBody(request, response);
  if (!body) return;
  const auto moid = HttpJson::text(*body, "moid");
  const auto phone = HttpJson::text(*body, "phone");
  const auto otp = HttpJson::text(*body, "otp");
  if (!moid || !phone || !otp) {
    HttpJson::send(response, 400,
                   otpRejection(400, "\"phone\", \"moid\" and \"otp\" are required"));
    return;
  }
  const OtpCheck check = state_.otps.verify(*moid, *phone, *otp);
  const Scenario scenario = scenarioForMoid(*moid);
  if (check == OtpCheck::verified) {
    state_.say("OTP verified for phone " + *phone + ", moid " + *moid);
    faults_.answer(scenario, Endpoint::otp, 200,
                   {{"statusCode", 200},
                    {"statusMessage", otpCheckMessage(check)},
                    {"data", {{"otp_verified", true}, {"moid", *moid}, {"phone", *phone}}}},
                   response);
    return;
  }
  const int statusCode = check == OtpCheck::tooManyAttempts ? 429 : 400;
  faults_.answer(scenario, Endpoint::otp, statusCode,
                 otpRejection(statusCode, otpCheckMessage(check)), response);
}

void ApiEndpoints::trackRto(const httplib::Request& request, httplib::Response& response) {
  const std::string moid = request.get_param_value("moid");
  const std::string requestId = request.get_param_value("request_id");
  if (!request.has_param("moid") && !request.has_param("request_id")) {
    HttpJson::error(response, 400, "query needs \"moid\" or \"request_id\"");
    return;
  }
  nlohmann::json data = {
      {"request_id", requestId},        {"moid", moid},
      {"rto_status", "NO_RTO"},         {"risk", "low"},
      {"courier", "Sandbox Logistics"}, {"tracking_id", "SBX" + SecureRandom::hex(5)}};
  const auto order = moid.empty() ? std::nullopt : state_.orders.byMoid(moid);
  if (order) {
    data["tarvel_oid"] = order->tarvelOid;
    data["order_type"] = order->orderType;
    data["payment_status"] = paymentStatusText(order->status);
  }
  faults_.answer(order ? order->scenario : Scenario::fromMoid(moid), Endpoint::rto, 200,
                 {{"data", data}, {"status", true}, {"message", "Tracking found"}}, response);
}

}  // namespace tarvel::sandbox
