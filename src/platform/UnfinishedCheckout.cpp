#include "platform/UnfinishedCheckout.h"

#include <array>        // array
#include <chrono>       // system_clock
#include <string_view>  // string_view

#include "config/DictionaryReading.h"

namespace tarvel::detail {
namespace {

struct FlowName {
  UnfinishedCheckout::Flow flow;
  std::string_view name;
  std::chrono::milliseconds window;  // the flow's own polling: bound × the 5 s interval
};

constexpr std::array<FlowName, 3> kFlows{{
    {UnfinishedCheckout::Flow::upiApp, "upi_app", std::chrono::seconds(5 * 5)},
    {UnfinishedCheckout::Flow::qrCode, "qrcode", std::chrono::seconds(24 * 5)},
    // The hosted page polls nothing itself; it holds the shopper for a card or bank page.
    {UnfinishedCheckout::Flow::web, "customweb", std::chrono::minutes(15)},
}};

const FlowName& flowName(UnfinishedCheckout::Flow flow) {
  for (const FlowName& known : kFlows) {
    if (known.flow == flow) return known;
  }
  return kFlows[1];
}

// An identifier as the order gave it: a text, or a number written as text.
std::string identifier(const Dictionary& dictionary, std::string_view key) {
  auto found = dictionary.find(key);
  if (found == dictionary.end()) return {};
  if (found->is_string()) return found->get<std::string>();
  if (found->is_number()) return found->dump();
  return {};
}

std::string firstText(const Dictionary& first, const Dictionary& second, std::string_view key) {
  std::string text = identifier(first, key);
  return text.empty() ? identifier(second, key) : text;
}

}  // namespace

UnfinishedCheckout UnfinishedCheckout::fromOrder(Flow flow, Environment environment,
                                                 const Dictionary& order,
                                                 const Dictionary& verifyData) {
  UnfinishedCheckout entry;
  entry.environment = environment;
  entry.flow = flow;
  entry.tarvelOid = firstText(verifyData, order, "tarvel_oid");
  entry.authToken = firstText(verifyData, order, "auth_token");
  entry.moid = firstText(order, verifyData, "moid");
  entry.mid = firstText(order, verifyData, "mid");
  entry.requestId = firstText(order, verifyData, "request_id");
  entry.amount = firstText(verifyData, order, "total");
  if (entry.amount.empty()) entry.amount = identifier(order, "amount");
  entry.paymentStartMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  return entry;
}

Dictionary UnfinishedCheckout::toJson() const {
  return {{"environment", environment == Environment::production ? "production" : "staging"},
          {"flow", flowName(flow).name},
          {"tarvel_oid", tarvelOid},
          {"auth_token", authToken},
          {"moid", moid},
          {"mid", mid},
          {"request_id", requestId},
          {"amount", amount},
          {"payment_start_ms", paymentStartMs}};
}

std::optional<UnfinishedCheckout> UnfinishedCheckout::fromJson(const Dictionary& json) {
  if (!json.is_object()) return std::nullopt;
  UnfinishedCheckout entry;
  const auto environment = stringValue(json, "environment");
  const auto flow = stringValue(json, "flow");
  const auto start = json.find("payment_start_ms");
  if (!environment || !flow || start == json.end() || !start->is_number_integer()) {
    return std::nullopt;
  }
  if (*environment != "production" && *environment != "staging") return std::nullopt;
  entry.environment = *environment == "production" ? Environment::production : Environment::staging;
  const FlowName* known = nullptr;
  for (const FlowName& candidate : kFlows) {
    if (candidate.name == *flow) known = &candidate;
  }
  if (!known) return std::nullopt;
  entry.flow = known->flow;
  entry.paymentStartMs = start->get<std::int64_t>();
  for (auto [key, field] :
       {std::pair{"tarvel_oid", &entry.tarvelOid}, std::pair{"auth_token", &entry.authToken},
        std::pair{"moid", &entry.moid}, std::pair{"mid", &entry.mid},
        std::pair{"request_id", &entry.requestId}, std::pair{"amount", &entry.amount}}) {
    auto text = stringValue(json, key);
    if (!text) return std::nullopt;
    *field = std::move(*text);
  }
  if (entry.tarvelOid.empty()) return std::nullopt;  // nothing to ask the platform about
  return entry;
}

std::chrono::milliseconds UnfinishedCheckout::paymentWindow() const {
  return flowName(flow).window;
}

}  // namespace tarvel::detail
