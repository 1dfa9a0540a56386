#pragma once

#include "tarvel/APICompletion.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

namespace tarvel {

/// The seven operations the view models call on the payment platform. `APIService` is the real
/// one; a host or a test may put its own implementation in its place.
class TARVEL_CHECKOUT_EXPORT VXAPIServiceProtocol {
 public:
  virtual ~VXAPIServiceProtocol() = default;

  /// POST "v1/order/verify" with the order as body; completes with the answer's "data" object.
  virtual void verifyPaymentData(const Dictionary& userData, APICompletion complete) = 0;
  /// POST "v1/payment/capture"; completes with the whole answer.
  virtual void checkPaymentStatus(const Dictionary& params, APICompletion complete) = 0;
  /// POST "v1/user/send-otp"; completes with the answer's "data" object.
  virtual void sendOtp(const Dictionary& params, APICompletion complete) = 0;
  /// POST "v1/user/resend-otp"; completes with the answer's "data" object.
  virtual void reSendOtp(const Dictionary& params, APICompletion complete) = 0;
  /// POST "v1/user/verify-otp"; completes with the whole answer.
  virtual void verifyOtp(const Dictionary& params, APICompletion complete) = 0;
  /// GET "v2/rto/track" with the parameters as query; completes with the whole answer.
  virtual void completeOrder(const Dictionary& params, APICompletion complete) = 0;
  /// POST "api/v1/events" on the analytics host; completes with the whole answer.
  virtual void appAnalytics(const Dictionary& params, APICompletion complete) = 0;
};

}  // namespace tarvel
