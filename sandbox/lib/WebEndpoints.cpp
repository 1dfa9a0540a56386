#include "WebEndpoints.h"

#include <optional>  // optional

#include "Amount.h"
#include "CheckoutPage.h"
#include "HttpJson.h"
#include "SecureRandom.h"

namespace tarvel::sandbox {
namespace {

constexpr std::int64_t kDefaultAmountPaise = 100;  // the page knows no amount
constexpr std::size_t kRequestIdBytes = 6;
constexpr const char* kPaidWith = "web";

}  // namespace

WebEndpoints::WebEndpoints(PlatformState& state, FaultInjection& faults)
    : state_(state), faults_(faults) {}

void WebEndpoints::install(httplib::Server& server, const std::string& prefix) {
  server.Get(prefix + "custom.html", [this](const httplib::Request& request, auto& response) {
    faults_.answerPage(Scenario::fromMoid(request.get_param_value("moid")), CheckoutPage::html(),
                       response);
  });
  server.Post(prefix + "pay",
              [this](const auto& request, auto& response) { pay(request, response); });
}

void WebEndpoints::pay(const httplib::Request& request, httplib::Response& response) {
  const auto body = HttpJson::objectBody(request, response);
  if (!body) return;
  const std::string tarvelOid = HttpJson::text(*body, "tarvel_oid").value_or("");
  std::optional<Order> order =
      tarvelOid.empty() ? std::nullopt : state_.orders.byTarvelOid(tarvelOid);
  if (!order) {
    const auto moid = HttpJson::requiredText(*body, "moid", response);
    if (!moid) return;
    Order draft;
    draft.tarvelOid = tarvelOid;
    draft.mid = HttpJson::text(*body, "mid").value_or("");
    draft.moid = *moid;
    draft.orderType = HttpJson::text(*body, "order_type").value_or("");
    draft.requestId =
        HttpJson::text(*body, "request_id").value_or("req_" + SecureRandom::hex(kRequestIdBytes));
    draft.amount = Amount::text(kDefaultAmountPaise);
    draft.scenario = Scenario::fromMoid(*moid);
    order = state_.orders.findOrCreate(std::move(draft)).first;
  }
  const auto payment = state_.orders.pay(order->tarvelOid, std::nullopt, kPaidWith);
  if (payment.outcome == OrderBook::PayOutcome::unknownOrder) {  // evicted meanwhile
    HttpJson::error(response, 404, "unknown order \"" + order->tarvelOid + "\"");
    return;
  }
  if (payment.outcome == OrderBook::PayOutcome::paid) {
    state_.say("order " + payment.order.tarvelOid + " paid on the hosted page, INR " +
               payment.order.amount);
  }
  HttpJson::send(response, 200,
                 {{"data", orderSummary(payment.order)},
                  {"message", payment.outcome == OrderBook::PayOutcome::paid ? "Payment recorded"
                                                                             : "Already paid"}});
}

}  // namespace tarvel::sandbox
