#pragma once

#include <memory>    // shared_ptr, enable_shared_from_this
#include <mutex>     // mutex
#include <optional>  // optional
#include <string>    // string

#include "tarvel/APIError.h"
#include "tarvel/Closure.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel {

namespace detail {
class LockedState;
}  // namespace detail

/// The one-time-password confirmation of a cash-on-delivery order (send, resend, verify), the
/// RTO tracking request, and analytics events from the OTP screen.
///
/// Create it with `std::make_shared<VerifyOTPViewModel>(service, createData)`; a null service
/// means a new `APIService`, and create data that is not a JSON object counts as an empty one.
/// The OTP calls' completions hold the view model weakly (an answer after the last owner let go
/// does nothing); the RTO call's completion holds it strongly until it has run. Either way the
/// view model must be owned by a `std::shared_ptr`.
///
/// Reporting: every assignment of an observed field fires its closure once, also when the value
/// did not change, synchronously on the assigning thread and after the view model's lock is
/// released. Closures may be (re)assigned from any thread at any time and may call back into
/// the view model.
class TARVEL_CHECKOUT_EXPORT VerifyOTPViewModel
    : public std::enable_shared_from_this<VerifyOTPViewModel> {
 public:
  /// `apiService` null means a new `APIService`; `userData` is the order's create data, read by
  /// the OTP requests and by the analytics identity block. No call is made.
  VerifyOTPViewModel(std::shared_ptr<VXAPIServiceProtocol> apiService, Dictionary userData);
  virtual ~VerifyOTPViewModel();

  VerifyOTPViewModel(const VerifyOTPViewModel&) = delete;
  VerifyOTPViewModel& operator=(const VerifyOTPViewModel&) = delete;

  /// `alertMessage` was set: offline, an `APIError`, a rejected OTP or a failed RTO request.
  Closure<void()> showAlertClosure;
  /// `isLoading` was set: a send, resend or verify call started (true), or a send, resend,
  /// verify or RTO call ended (false).
  Closure<void()> updateLoadingStatus;
  /// A send or resend response has been stored (`otpSuccessData`).
  Closure<void()> onSuccessSendOtp;
  /// An OTP verification answered with "statusCode" 200 (`otpVerifyData`).
  Closure<void()> onSuccessVerifyOtp;
  /// An RTO tracking response has been stored; receives it.
  Closure<void(const Dictionary&)> onSuccessRto;
  /// An RTO tracking request failed; receives the error's text (also set as `alertMessage`),
  /// so the owner of the RTO flow can report the failure instead of waiting.
  Closure<void(const std::string&)> onFailureRto;
  /// Never fired by this view model; kept for screens that install it.
  Closure<void()> updateOTPVerifyingStatus;

  /// True while a send, resend or verify call runs (`updateLoadingStatus` reports changes).
  bool isLoading() const;
  /// The last alert text (offline, an `APIError`, a rejected OTP, a failed RTO request), if any.
  std::optional<std::string> alertMessage() const;
  /// The create data given at construction (an empty object when none was given).
  Dictionary getOrderVerifyData() const;
  /// The last send or resend response (the answer's "data" object), if any.
  std::optional<Dictionary> otpSuccessData() const;
  /// The last accepted OTP verification answer, if any.
  std::optional<Dictionary> otpVerifyData() const;
  /// The last RTO tracking response, if any.
  std::optional<Dictionary> rtoSuccessData() const;

  /// Asks the platform to send an OTP to the order's phone with "mid", "phone", "order_type"
  /// and "moid" (each only when it is a text in the create data). Offline it sets
  /// `alertMessage` to "No Network" and sends nothing.
  void callSendOtp();
  /// Asks for another OTP; same parameters and handling as `callSendOtp()`.
  void callReSendOtp();
  /// Verifies the typed OTP with "otp", plus "phone" and "moid" when both are texts in the
  /// create data. "statusCode" 200 (a JSON number) fires `onSuccessVerifyOtp`; anything else
  /// sets `alertMessage` to the answer's "statusMessage" or "Something went wrong!".
  void callVerifyOtp(const std::string& otp);
  /// Sends the RTO tracking request with `params` unchanged, without a reachability test. The
  /// answer sets `isLoading` false, then stores the response (`onSuccessRto`) or, on an error
  /// or an answer without a dictionary, sets `alertMessage` and calls `onFailureRto`.
  void completeOrder(const Dictionary& params);
  /// Sends one analytics event unchanged; the answer is only logged. Offline it sets
  /// `alertMessage` to "No Network".
  void appAnalytics(const Dictionary& analyticsdata);

 private:
  using ServiceCall = void (VXAPIServiceProtocol::*)(const Dictionary&, APICompletion);

  void requestOtp(ServiceCall call);
  void handleOtpAnswer(std::optional<Dictionary> response, std::optional<APIError> error);
  void handleVerifyAnswer(std::optional<Dictionary> response, std::optional<APIError> error);
  void handleRtoAnswer(std::optional<Dictionary> response, std::optional<APIError> error);
  void failRto(const std::string& text);
  Dictionary otpRequestParams() const;
  Dictionary verifyRequestParams(const std::string& otp) const;

  void setIsLoading(bool value);
  void setAlertMessage(std::string value);
  void setOtpSuccessData(Dictionary value);
  void setOtpVerifyData(Dictionary value);
  void setRtoSuccessData(Dictionary value);

  detail::LockedState state() const;

  const std::shared_ptr<VXAPIServiceProtocol> apiService_;
  const Dictionary orderVerifyData_;  // the create data; never changes

  mutable std::mutex mutex_;  // guards the fields below
  std::optional<Dictionary> otpSuccessData_;
  bool isLoading_ = false;
  std::optional<Dictionary> rtoSuccessData_;
  std::optional<std::string> alertMessage_;
  std::optional<Dictionary> otpVerifyData_;
};

}  // namespace tarvel
