#include "tarvel/PaymentType.h"

#include "config/DictionaryReading.h"
#include "tarvel/OrderKeys.h"

namespace tarvel {

std::optional<PaymentType> PaymentType::fromOrder(const Dictionary& order) {
  auto orderType = detail::stringValue(order, OrderKeys::orderType);
  if (!orderType) return std::nullopt;
  if (*orderType == "upi") return upi("upi");
  return cod();
}

std::optional<std::string> PaymentType::upiText() const {
  if (const auto* text = std::get_if<std::string>(&value_)) return *text;
  return std::nullopt;
}

}  // namespace tarvel
