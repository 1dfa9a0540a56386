#include "tarvel/VerifyOTPViewModel.h"

#include <string_view>  // string_view
#include <utility>      // move

#include "config/DictionaryReading.h"
#include "logic/LockedState.h"
#include "logic/ViewModelSupport.h"
#include "tarvel/OrderKeys.h"

namespace tarvel {
namespace {

constexpr const char* kRejectedOtpFallback = "Something went wrong!";

// Only a JSON number counts: a "200" text is a rejection like any other code.
bool isAcceptedOtp(const Dictionary& response) {
  if (!response.is_object()) return false;
  auto code = response.find("statusCode");
  return code != response.end() && code->is_number_integer() && *code == 200;
}

void copyText(const Dictionary& source, std::string_view key, Dictionary& target) {
  if (auto value = detail::stringValue(source, key)) target[std::string(key)] = std::move(*value);
}

}  // namespace

VerifyOTPViewModel::VerifyOTPViewModel(std::shared_ptr<VXAPIServiceProtocol> apiService,
                                       Dictionary userData)
    : apiService_(detail::serviceOrDefault(std::move(apiService))),
      orderVerifyData_(detail::orderDictionary(std::move(userData))) {}

VerifyOTPViewModel::~VerifyOTPViewModel() = default;

// --- state -------------------------------------------------------------------------------

detail::LockedState VerifyOTPViewModel::state() const { return detail::LockedState(mutex_); }

void VerifyOTPViewModel::setIsLoading(bool value) {
  state().assign(isLoading_, value, updateLoadingStatus);
}

void VerifyOTPViewModel::setAlertMessage(std::string value) {
  state().assign(alertMessage_, std::move(value), showAlertClosure);
}

void VerifyOTPViewModel::setOtpSuccessData(Dictionary value) {
  state().assign(otpSuccessData_, std::move(value), onSuccessSendOtp);
}

void VerifyOTPViewModel::setOtpVerifyData(Dictionary value) {
  state().assign(otpVerifyData_, std::move(value), onSuccessVerifyOtp);
}

void VerifyOTPViewModel::setRtoSuccessData(Dictionary value) {
  state().assign(rtoSuccessData_, value, onSuccessRto, value);
}

bool VerifyOTPViewModel::isLoading() const { return state().read(isLoading_); }

std::optional<std::string> VerifyOTPViewModel::alertMessage() const {
  return state().read(alertMessage_);
}

Dictionary VerifyOTPViewModel::getOrderVerifyData() const { return orderVerifyData_; }

std::optional<Dictionary> VerifyOTPViewModel::otpSuccessData() const {
  return state().read(otpSuccessData_);
}

std::optional<Dictionary> VerifyOTPViewModel::otpVerifyData() const {
  return state().read(otpVerifyData_);
}

std::optional<Dictionary> VerifyOTPViewModel::rtoSuccessData() const {
  return state().read(rtoSuccessData_);
}

// --- request parameters ----------------------------------------------------------------------

Dictionary VerifyOTPViewModel::otpRequestParams() const {
  Dictionary params = Dictionary::object();
  for (auto key : {OrderKeys::mid, OrderKeys::phone, OrderKeys::orderType, OrderKeys::moid}) {
    copyText(orderVerifyData_, key, params);
  }
  return params;
}

Dictionary VerifyOTPViewModel::verifyRequestParams(const std::string& otp) const {
  Dictionary params = Dictionary::object();
  auto phone = detail::stringValue(orderVerifyData_, OrderKeys::phone);
  auto moid = detail::stringValue(orderVerifyData_, OrderKeys::moid);
  if (phone && moid) {
    params[std::string(OrderKeys::phone)] = std::move(*phone);
    params[std::string(OrderKeys::moid)] = std::move(*moid);
  }
  params["otp"] = otp;
  return params;
}

// --- OTP calls -------------------------------------------------------------------------------

void VerifyOTPViewModel::callSendOtp() { requestOtp(&VXAPIServiceProtocol::sendOtp); }

void VerifyOTPViewModel::callReSendOtp() { requestOtp(&VXAPIServiceProtocol::reSendOtp); }

void VerifyOTPViewModel::requestOtp(ServiceCall call) {
  if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
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
  if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
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
  if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
  detail::sendAnalyticsEvent(*apiService_, analyticsdata);
}

}  // namespace tarvel
