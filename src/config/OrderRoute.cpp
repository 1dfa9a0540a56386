#include "config/OrderRoute.h"

#include "config/DictionaryReading.h"
#include "tarvel/OrderKeys.h"
#include "tarvel/PaymentType.h"

namespace tarvel::detail {

OrderRoute routeOrder(const Dictionary& order) {
  auto orderType = stringValue(order, OrderKeys::orderType);
  if (!orderType) return OrderRoute::none;
  if (*orderType == "non-vx") return OrderRoute::rtoTracking;
  auto upiApp = stringValue(order, OrderKeys::upiApp);
  if (upiApp == "customweb") return OrderRoute::webCheckout;
  if (PaymentType::fromOrder(order)->isUpi()) return OrderRoute::upiCheckout;
  return upiApp == "" ? OrderRoute::verifyOtpModal : OrderRoute::verifyOtpPushed;
}

}  // namespace tarvel::detail
