#pragma once

#include <map>       // map
#include <memory>    // shared_ptr, enable_shared_from_this
#include <mutex>     // mutex
#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

#include "tarvel/APIError.h"
#include "tarvel/Closure.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel {

namespace detail {
class LockedState;
}  // namespace detail

/// The state of one UPI payment attempt for one order, and the three calls the UPI flow makes
/// on the payment platform: verify the order, poll the payment status, send analytics events.
///
/// Create it with `std::make_shared<TarvelChekoutViewModel>(service, createData)`; a null
/// service means a new `APIService`, and create data that is not a JSON object counts as an
/// empty one. Completions of the verify and status calls hold the view model weakly, so an
/// answer that arrives after the last owner let go does nothing; the view model must therefore
/// be owned by a `std::shared_ptr` for its completions to have any effect.
///
/// Reporting: every assignment of an observed field fires its closure once, also when the value
/// did not change, synchronously on the assigning thread (a completion runs on the URL loader's
/// thread) and after the view model's lock is released. A closure reads the new state back
/// through the accessors and may call into the view model. Closures may be (re)assigned from
/// any thread at any time.
class TARVEL_CHECKOUT_EXPORT TarvelChekoutViewModel
    : public std::enable_shared_from_this<TarvelChekoutViewModel> {
 public:
  /// `apiService` null means a new `APIService`; `userData` is the order's create data. No call
  /// is made.
  TarvelChekoutViewModel(std::shared_ptr<VXAPIServiceProtocol> apiService, Dictionary userData);
  virtual ~TarvelChekoutViewModel();

  TarvelChekoutViewModel(const TarvelChekoutViewModel&) = delete;
  TarvelChekoutViewModel& operator=(const TarvelChekoutViewModel&) = delete;

  /// A verify-order response has been stored (`getOrderVerifyData`).
  Closure<void()> onSuccess;
  /// The same response has been stored again as not verified, because its "msg" "heading" is
  /// "Failed!" (`getOrderNotVerifyData`); always after `onSuccess` for that response.
  Closure<void()> onFailure;
  /// `alertMessage` was set: offline, or the call completed with an `APIError`.
  Closure<void()> showAlertClosure;
  /// `isLoading` was set: a verify call started (true) or ended (false).
  Closure<void()> updateLoadingStatus;
  /// `isPaymentStatusVerifying` was set: a status call started (true), or a call made with
  /// `isLoading` false ended (false).
  Closure<void()> updatePaymentVerifyingStatus;
  /// A payment-status response has been stored (`getPaymentStatusData`).
  Closure<void()> onSuccessPaymentStatus;

  /// True while a verify call runs (`updateLoadingStatus` reports changes).
  bool isLoading() const;
  /// True while a status call runs (`updatePaymentVerifyingStatus` reports changes).
  bool isPaymentStatusVerifying() const;
  /// The last alert text (offline, or an `APIError`'s text), if any.
  std::optional<std::string> alertMessage() const;
  /// The stored verify-order response (the answer's "data" object); an empty object before one
  /// is stored.
  Dictionary getOrderVerifyData() const;
  /// The stored not-verified response; an empty object before one is stored.
  Dictionary getOrderNotVerifyData() const;
  /// The stored payment-status response (the whole answer), if any.
  std::optional<Dictionary> getPaymentStatusData() const;
  /// The order's create data as given at construction.
  const Dictionary& userData() const { return userData_; }
  /// App identifier to the name of the image that shows the app.
  const std::map<std::string, std::string>& upiImagesList() const { return upiImagesList_; }

  /// Display name of an app identifier: "gpay" and "tez" give "Google Pay", "phonepe"
  /// "PhonePe", "paytm" "Paytm"; any other identifier is returned unchanged.
  virtual std::string getUPIName(const std::string& name) const;
  /// `digits` characters, each a digit from 1 to 9 (never 0); the empty text for `digits` < 1.
  virtual std::string random(int digits) const;
  /// The verify response's "qrCode" text, if it is one; logs "qrCode " and the value.
  virtual std::optional<std::string> getQRCode() const;
  /// The verify response's "uapp" list in received order; empty unless it is an array of texts.
  virtual std::vector<std::string> getAllUPIOptions() const;
  /// The image name of an app identifier, if the app has one.
  virtual std::optional<std::string> getUpiImage(const std::string& upiName) const;
  /// `app` + "://upi/" + the verify response's "u_link" without one leading "upi://"; nothing
  /// when there is no text "u_link". No percent-encoding is done here.
  virtual std::optional<std::string> getUPILink(const std::string& app) const;

  /// Posts the create data unchanged to the platform's order verification. Offline it sets
  /// `alertMessage` to "No Network" and sends nothing. The answer sets `isLoading` false, then
  /// sets `alertMessage` to the error's text or stores the response (`onSuccess`, and
  /// `onFailure` for a "Failed!" heading).
  void verifyUPIPayment();
  /// Asks for the payment status of the verified order with its "tarvel_oid" and "auth_token"
  /// (each only when it is a text). Sets `isPaymentStatusVerifying` true; the answer sets it
  /// false again only when `isLoading` is false, then sets `alertMessage` to the error's text
  /// or stores the response.
  void checkPaymentStatus(bool isLoading);
  /// Sends one analytics event unchanged; the answer is only logged. Offline it sets
  /// `alertMessage` to "No Network".
  void appAnalytics(const Dictionary& analyticsdata);

 private:
  void handleVerifyAnswer(std::optional<Dictionary> response, std::optional<APIError> error);
  void handlePaymentStatusAnswer(bool keepVerifying, std::optional<Dictionary> response,
                                 std::optional<APIError> error);
  Dictionary paymentStatusParams() const;
  std::optional<std::string> orderVerifyText(const char* key) const;

  void setIsLoading(bool value);
  void setIsPaymentStatusVerifying(bool value);
  void setAlertMessage(std::string value);
  void setOrderVerifyData(Dictionary value);
  void setOrderNotVerifyData(Dictionary value);
  void setPaymentStatusData(Dictionary value);

  detail::LockedState state() const;

  const std::map<std::string, std::string> upiImagesList_;
  const std::shared_ptr<VXAPIServiceProtocol> apiService_;
  const Dictionary userData_;

  mutable std::mutex mutex_;  // guards the fields below
  std::optional<Dictionary> orderVerifyData_;
  std::optional<Dictionary> orderNotVerifyData_;
  std::optional<Dictionary> paymentStatusData_;
  bool isLoading_ = false;
  bool isPaymentStatusVerifying_ = false;
  std::optional<std::string> alertMessage_;
};

}  // namespace tarvel
