#pragma once

#include "tarvel/Export.h"

namespace tarvel {

/// An optional listener a host may give the OTP screen (`VerifyOTPViewController`); it hears
/// once that the shopper's OTP was accepted. The screen holds it weakly.
class TARVEL_CHECKOUT_EXPORT OTPVerifyDelegate {
 public:
  virtual ~OTPVerifyDelegate() = default;

  /// The platform accepted the OTP (`verified` is true).
  virtual void otpVerified(bool verified) = 0;
};

}  // namespace tarvel
