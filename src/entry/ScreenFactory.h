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
/// The default makes `UpiCheckoutViewController`, `VerifyOTPViewController` and
/// `CustomeCheckout` (from the web checkout module; nullptr when it cannot be loaded).
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
