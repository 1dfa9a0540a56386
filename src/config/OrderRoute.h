#pragma once

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// The flow an order dictionary starts, as `TarvelCheckout::openCart` routes it.
enum class OrderRoute {
  none,             ///< no text "order_type": nothing happens
  rtoTracking,      ///< "non-vx": one tracking request, no screen
  webCheckout,      ///< "upi_app" "customweb": the hosted web checkout, pushed
  upiCheckout,      ///< "upi" with any other or no "upi_app": the UPI screen, pushed
  verifyOtpPushed,  ///< any other type with a "upi_app" that is not "": the OTP screen, pushed
  verifyOtpModal,   ///< any other type with "upi_app" "": the OTP screen, presented modally
};

/// The routing table in one place. Exact, case-sensitive comparisons of text values (a value
/// of another type counts as missing): "order_type" is tested against "non-vx" first, then
/// "upi"; "upi_app" against "customweb" before "".
///
/// | "order_type"        | "upi_app"                      | route           |
/// |---------------------|--------------------------------|-----------------|
/// | missing / not text  | any                            | none            |
/// | "non-vx"            | any                            | rtoTracking     |
/// | "upi"               | "customweb"                    | webCheckout     |
/// | "upi"               | anything else, missing         | upiCheckout     |
/// | any other text      | "customweb"                    | webCheckout     |
/// | any other text      | ""                             | verifyOtpModal  |
/// | any other text      | anything else, missing         | verifyOtpPushed |
OrderRoute routeOrder(const Dictionary& order);

}  // namespace tarvel::detail
