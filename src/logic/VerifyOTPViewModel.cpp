#include "tarvel/VerifyOTPViewModel.h"

#include <utility>  // move, forward

#include "config/DictionaryReading.h"
#include "logic/ViewModelSupport.h"
#include "tarvel/APIService.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel {
namespace {

constexpr const char* kRejectedOtpFallback = "Something went wrong!";

std::shared_ptr<VXAPIServiceProtocol> serviceOrDefault(
    std::shared_ptr<VXAPIServiceProtocol> service) {
  if (service) return service;
  return std::make_shared<APIService>();
}

// Only a JSON number counts: a "200" text is a rejection like any other code.
bool isAcceptedOtp(const Dictionary& response) {
  if (!response.is_object()) return false;
  auto code = response.find("statusCode");
  return code != response.end() && code->is_number_integer() && *code == 200;
}

void copyText(const Dictionary& source, const char* key, Dictionary& target) {
  if (auto value = detail::stringValue(source, key)) target[key] = std::move(*value);
}

}  // namespace

VerifyOTPViewModel::VerifyOTPViewModel(std::shared_ptr<VXAPIServiceProtocol> apiService,
                                       Dictionary userData)
    : apiService_(serviceOrDefault(std::move(apiService))),
      orderVerifyData_(detail::dictionaryOrEmpty(std::move(userData))) {}

VerifyOTPViewModel::~VerifyOTPViewModel() = default;

// --- state -------------------------------------------------------------------------------
// Each setter stores under the lock and fires its closure after unlocking, so a closure may
// read state back or start another call.

template <typename T, typename V>
void VerifyOTPViewModel::assign(T& field, V&& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  field = std::forward<V>(value);
}

template <typename T>
T VerifyOTPViewModel::read(const T& field) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return field;
}

void VerifyOTPViewModel::setIsLoading(bool value) {
  assign(isLoading_, value);
  updateLoadingStatus();
}

void VerifyOTPViewModel::setAlertMessage(std::string value) {
  assign(alertMessage_, std::move(value));
  showAlertClosure();
}

void VerifyOTPViewModel::setOtpSuccessData(Dictionary value) {
  assign(otpSuccessData_, std::move(value));
  onSuccessSendOtp();
}

void VerifyOTPViewModel::setOtpVerifyData(Dictionary value) {
  assign(otpVerifyData_, std::move(value));
  onSuccessVerifyOtp();
}

void VerifyOTPViewModel::setRtoSuccessData(Dictionary value) {
  assign(rtoSuccessData_, value);
  onSuccessRto(value);
}

bool VerifyOTPViewModel::isLoading() const { return read(isLoading_); }

std::optional<std::string> VerifyOTPViewModel::alertMessage() const { return read(alertMessage_); }

Dictionary VerifyOTPViewModel::getOrderVerifyData() const { return orderVerifyData_; }

std::optional<Dictionary> VerifyOTPViewModel::otpSuccessData() const {
  return read(otpSuccessData_);
}

std::optional<Dictionary> VerifyOTPViewModel::otpVerifyData() const { return read(otpVerifyData_); }

std::optional<Dictionary> VerifyOTPViewModel::rtoSuccessData() const {
  return read(rtoSuccessData_);
}

// --- request parameters ----------------------------------------------------------------------

Dictionary VerifyOTPViewModel::otpRequestParams() const {
  Dictionary params = Dictionary::object();
  for (const char* key : {"mid", "phone", "order_type", "moid"}) {
    copyText(orderVerifyData_, key, params);
  }
  return params;
}

Dictionary VerifyOTPViewModel::verifyRequestParams(const std::string& otp) const {
  Dictionary params = Dictionary::object();
  auto phone = detail::stringValue(orderVerifyData_, "phone");
  auto moid = detail::stringValue(orderVerifyData_, "moid");
  if (phone && moid) {
    params["phone"] = std::move(*phone);
    params["moid"] = std::move(*moid);
  }
  params["otp"] = otp;
  return params;
}

// --- OTP calls -------------------------------------------------------------------------------

void VerifyOTPViewModel::callSendOtp() { requestOtp(&VXAPIServiceProtocol::sendOtp); }

void VerifyOTPViewModel::callReSendOtp() { requestOtp(&VXAPIServiceProtocol::reSendOtp); }

void VerifyOTPViewModel::requestOtp(ServiceCall call) {
  if (!InternetConnectionManager::isConnectedToNetwork()) {
    setAlertMessage(detail::noNetworkText());
    return;
  }
  Dictionary params = otpRequestParams();
  setIsLoading(true);
  ((*apiService_).*call)(params, detail::completionHoldingWeakly(
                                     weak_from_this(), &VerifyOTPViewModel::handleOtpAnswer));
}

void VerifyOTPViewModel::handleOtpAnswer(std::optional<Dictionary> response,
                                         std::optional<APIError> error) {
  setIsLoading(false);
  if (error) {
    setAlertMessage(std::string(rawValue(*error)));
  } else if (response) {
    setOtpSuccessData(std::move(*response));
  }
}

void VerifyOTPViewModel::callVerifyOtp(const std::string& otp) {
  if (!InternetConnectionManager::isConnectedToNetwork()) {
    setAlertMessage(detail::noNetworkText());
    return;
  }
  Dictionary params = verifyRequestParams(otp);
  setIsLoading(true);
  apiService_->verifyOtp(params, detail::completionHoldingWeakly(
                                     weak_from_this(), &VerifyOTPViewModel::handleVerifyAnswer));
}

void VerifyOTPViewModel::handleVerifyAnswer(std::optional<Dictionary> response,
                                            std::optional<APIError> error) {
  setIsLoading(false);
  if (error) {
    setAlertMessage(std::string(rawValue(*error)));
    return;
  }
  if (!response) return;
  if (isAcceptedOtp(*response)) {
    setOtpVerifyData(std::move(*response));
    return;
  }
  setAlertMessage(detail::stringValue(*response, "statusMessage").value_or(kRejectedOtpFallback));
}

// --- RTO tracking ------------------------------------------------------------------------------

void VerifyOTPViewModel::completeOrder(const Dictionary& params) {
  // Held strongly: the RTO flow has no screen that keeps the view model alive meanwhile.
  std::shared_ptr<VerifyOTPViewModel> self = weak_from_this().lock();
  apiService_->completeOrder(
      params, [self](bool, std::optional<Dictionary> response, std::optional<APIError> error) {
        if (self) self->handleRtoAnswer(std::move(response), error);
      });
}

void VerifyOTPViewModel::handleRtoAnswer(std::optional<Dictionary> response,
                                         std::optional<APIError> error) {
  setIsLoading(false);
  if (error) {
    failRto(std::string(rawValue(*error)));
  } else if (!response) {
    failRto(std::string(rawValue(APIError::dataNotFound)));
  } else {
    setRtoSuccessData(std::move(*response));
  }
}

void VerifyOTPViewModel::failRto(const std::string& text) {
  setAlertMessage(text);
  onFailureRto(text);
}

// --- analytics -------------------------------------------------------------------------------

void VerifyOTPViewModel::appAnalytics(const Dictionary& analyticsdata) {
  if (!detail::sendAnalyticsEvent(*apiService_, analyticsdata)) {
    setAlertMessage(detail::noNetworkText());
  }
}

}  // namespace tarvel
