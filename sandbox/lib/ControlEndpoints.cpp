#include "ControlEndpoints.h"

#include <optional>  // optional

#include "Amount.h"
#include "HttpJson.h"
#include "UpiLink.h"

namespace tarvel::sandbox {
namespace {

// The order reference of a pay request: "tarvel_oid", "tr", or the "tr" of a UPI link or
// deep link under "link".
std::optional<std::string> payReference(const nlohmann::json& body) {
  if (auto reference = HttpJson::text(body, "tarvel_oid")) return reference;
  if (auto reference = HttpJson::text(body, "tr")) return reference;
  if (auto link = HttpJson::text(body, "link")) {
    if (auto parsed = UpiLink::parse(*link)) return parsed->reference;
  }
  return std::nullopt;
}

// The payee a pay request names: "pa", or the "pa" of its "link"; nothing when it names none.
std::optional<std::string> payPayee(const nlohmann::json& body) {
  if (body.contains("pa")) return HttpJson::text(body, "pa").value_or("");
  if (auto link = HttpJson::text(body, "link")) {
    if (auto parsed = UpiLink::parse(*link)) return parsed->payeeAddress;
  }
  return std::nullopt;
}

}  // namespace

ControlEndpoints::ControlEndpoints(PlatformState& state) : state_(state) {}

void ControlEndpoints::install(httplib::Server& server, const std::string& prefix) {
  server.Post(prefix + "pay",
              [this](const auto& request, auto& response) { pay(request, response); });
  server.Get(prefix + "otp",
             [this](const auto& request, auto& response) { lastOtp(request, response); });
  server.Get(prefix + "order",
             [this](const auto& request, auto& response) { order(request, response); });
  server.Get(prefix + "events", [this](const auto&, auto& response) { events(response); });
  server.Post(prefix + "reset", [this](const auto&, auto& response) { reset(response); });
}

void ControlEndpoints::pay(const httplib::Request& request, httplib::Response& response) {
  const auto body = HttpJson::objectBody(request, response);
  if (!body) return;
  const auto reference = payReference(*body);
  if (!reference) {
    HttpJson::error(response, 400, "give \"tarvel_oid\", \"tr\" or a UPI \"link\" with a tr");
    return;
  }
  // Money goes only to the order's payee: an app handed another payee (a forged or twice
  // escaped link) does not pay.
  const auto payee = payPayee(*body);
  if (payee && *payee != state_.options.payeeAddress) {
    HttpJson::error(response, 409,
                    "payee \"" + *payee + "\" is not the order's payee \"" +
                        state_.options.payeeAddress + "\"");
    return;
  }
  std::optional<std::int64_t> paise;
  if (const auto amount = HttpJson::text(*body, "am")) {
    paise = Amount::paise(*amount);
    if (!paise) {
      HttpJson::error(response, 400, "\"am\" is not an amount such as \"499.00\"");
      return;
    }
  }
  const std::string app = HttpJson::text(*body, "app").value_or("control");
  const auto payment = state_.orders.pay(*reference, paise, app);
  switch (payment.outcome) {
    case OrderBook::PayOutcome::unknownOrder:
      HttpJson::error(response, 404, "unknown order \"" + *reference + "\"");
      return;
    case OrderBook::PayOutcome::amountMismatch:
      HttpJson::error(
          response, 409,
          "amount " + Amount::text(*paise) + " does not match the order's " + payment.order.amount);
      return;
    case OrderBook::PayOutcome::alreadyPaid:
      HttpJson::send(response, 200,
                     {{"data", orderSummary(payment.order)}, {"message", "Already paid"}});
      return;
    case OrderBook::PayOutcome::paid:
      state_.say("order " + payment.order.tarvelOid + " paid with " + app + ", INR " +
                 payment.order.amount);
      HttpJson::send(response, 200,
                     {{"data", orderSummary(payment.order)}, {"message", "Payment recorded"}});
      return;
  }
}

void ControlEndpoints::lastOtp(const httplib::Request& request, httplib::Response& response) {
  if (!request.has_param("moid") || !request.has_param("phone")) {
    HttpJson::error(response, 400, "query needs \"moid\" and \"phone\"");
    return;
  }
  const std::string moid = request.get_param_value("moid");
  const std::string phone = request.get_param_value("phone");
  const auto code = state_.otps.lastCode(moid, phone);
  if (!code) {
    HttpJson::error(response, 404, "no OTP sent for that moid and phone");
    return;
  }
  HttpJson::send(response, 200, {{"data", {{"otp", *code}, {"moid", moid}, {"phone", phone}}}});
}

void ControlEndpoints::order(const httplib::Request& request, httplib::Response& response) {
  std::optional<Order> found;
  if (request.has_param("tarvel_oid")) {
    found = state_.orders.byTarvelOid(request.get_param_value("tarvel_oid"));
  } else if (request.has_param("moid")) {
    found = state_.orders.byMoid(request.get_param_value("moid"));
  } else {
    HttpJson::error(response, 400, "query needs \"tarvel_oid\" or \"moid\"");
    return;
  }
  if (!found) {
    HttpJson::error(response, 404, "unknown order");
    return;
  }
  HttpJson::send(response, 200, {{"data", orderSummary(*found)}});
}

void ControlEndpoints::events(httplib::Response& response) {
  const auto events = state_.events.all();
  HttpJson::send(response, 200, {{"data", {{"events", events}, {"count", events.size()}}}});
}

void ControlEndpoints::reset(httplib::Response& response) {
  state_.reset();
  state_.say("state reset");
  HttpJson::send(response, 200, {{"data", {{"reset", true}}}});
}

}  // namespace tarvel::sandbox
