#pragma once

#include <memory>  // shared_ptr

#include "tarvel/Dictionary.h"

namespace tarvel {
class CheckoutScreen;
}  // namespace tarvel

namespace tarvel::detail {

/// Makes the three checkout screens for the entry object. Tests install their own with
/// `setShared`; the default makes the component's screens.
///
/// The default makes `CustomeCheckout` for the web checkout and `UpiCheckoutViewController` for
/// the UPI payment. The OTP screen is not part of this build yet: for it the default makes a
/// small placeholder screen (`UnavailableFlowScreen`) that says the flow is not available;
/// closing it reports status false with {"error": "<flow> is not available in this build."}.
class ScreenFactory {
 public:
  virtual ~ScreenFactory() = default;

  /// The UPI payment screen ("order_type" "upi").
  virtual CheckoutScreen* makeUpiCheckout(const Dictionary& createData, bool production);
  /// The OTP / cash-on-delivery screen (any other order type).
  virtual CheckoutScreen* makeVerifyOTP(const Dictionary& createData, bool production);
  /// The web checkout ("upi_app" "customweb").
  virtual CheckoutScreen* makeWebCheckout(const Dictionary& createData, bool production);

  /// The installed factory (the default one unless another was installed).
  static std::shared_ptr<ScreenFactory> shared();
  /// Installs `factory`; nullptr restores the default.
  static void setShared(std::shared_ptr<ScreenFactory> factory);
};

}  // namespace tarvel::detail
