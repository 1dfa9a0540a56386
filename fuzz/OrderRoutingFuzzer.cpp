// Any JSON text as a host's order dictionary: routing never crashes and follows the table
// (missing or non-text "order_type": nothing; "non-vx": RTO; "customweb": web; "upi": the UPI
// screen; "" as "upi_app": the OTP screen presented; else pushed), and the order's values
// become query items that carry only escaped text.
#include <cstddef>  // size_t
#include <cstdint>  // uint8_t
#include <cstdlib>  // abort
#include <optional>
#include <string>
#include <string_view>

#include "config/BoundedJson.h"
#include "config/OrderRoute.h"
#include "network/QueryString.h"
#include "tarvel/PaymentType.h"

namespace {

using tarvel::Dictionary;
using tarvel::detail::OrderRoute;

std::optional<std::string> text(const Dictionary& order, const char* key) {
  auto found = order.find(key);
  if (found == order.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

OrderRoute expectedRoute(const Dictionary& order) {
  const auto type = text(order, "order_type");
  if (!type) return OrderRoute::none;
  if (*type == "non-vx") return OrderRoute::rtoTracking;
  const auto app = text(order, "upi_app");
  if (app == "customweb") return OrderRoute::webCheckout;
  if (*type == "upi") return OrderRoute::upiCheckout;
  return app == "" ? OrderRoute::verifyOtpModal : OrderRoute::verifyOtpPushed;
}

bool isQueryByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-._~%&=").find(c) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  tarvel::detail::BoundedJson parsed = tarvel::detail::parseBoundedJson(input, 64 * 1024, 64);
  if (!parsed || !parsed.value->is_object()) return 0;
  const Dictionary& order = *parsed.value;

  if (tarvel::detail::routeOrder(order) != expectedRoute(order)) std::abort();
  const std::optional<tarvel::PaymentType> payment = tarvel::PaymentType::fromOrder(order);
  if (payment.has_value() != text(order, "order_type").has_value()) std::abort();

  if (const std::optional<std::string> query = tarvel::detail::queryString(order)) {
    for (char c : *query) {
      if (!isQueryByte(c)) std::abort();
    }
  }
  return 0;
}
