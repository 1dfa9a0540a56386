#include "tarvel/TarvelChekoutViewModel.h"

#include <random>       // mt19937, random_device, uniform_int_distribution
#include <string_view>  // string_view
#include <utility>      // move

#include "config/DictionaryReading.h"
#include "logic/LockedState.h"
#include "logic/ViewModelSupport.h"
#include "network/LogRedaction.h"
#include "tarvel/Log.h"
#include "tarvel/OrderKeys.h"

namespace tarvel {
namespace {

constexpr std::string_view kUpiLinkPrefix = "upi://";
constexpr std::string_view kNotVerifiedHeading = "Failed!";
constexpr std::string_view kAuthTokenKey = "auth_token";  // of the verify answer, not the order

std::map<std::string, std::string> makeUpiImagesList() {
  return {{"phonepe", "PhonePe"}, {"paytm", "paytm"},     {"tez", "Google_Pay"},
          {"upi", "Tarvel"},      {"gpay", "Google_Pay"}, {"bhim", "BHIM"}};
}

std::string deletingPrefix(std::string_view prefix, const std::string& link) {
  if (link.starts_with(prefix)) return link.substr(prefix.size());
  return link;
}

bool isMarkedNotVerified(const Dictionary& response) {
  const Dictionary* message = detail::objectValue(response, "msg");
  return message && detail::stringValue(*message, "heading") == kNotVerifiedHeading;
}

}  // namespace

TarvelChekoutViewModel::TarvelChekoutViewModel(std::shared_ptr<VXAPIServiceProtocol> apiService,
                                               Dictionary userData)
    : upiImagesList_(makeUpiImagesList()),
      apiService_(detail::serviceOrDefault(std::move(apiService))),
      userData_(detail::orderDictionary(std::move(userData))) {}

TarvelChekoutViewModel::~TarvelChekoutViewModel() = default;

// --- state -------------------------------------------------------------------------------

detail::LockedState TarvelChekoutViewModel::state() const { return detail::LockedState(mutex_); }

void TarvelChekoutViewModel::setIsLoading(bool value) {
  state().assign(isLoading_, value, updateLoadingStatus);
}

void TarvelChekoutViewModel::setIsPaymentStatusVerifying(bool value) {
  state().assign(isPaymentStatusVerifying_, value, updatePaymentVerifyingStatus);
}

void TarvelChekoutViewModel::setAlertMessage(std::string value) {
  state().assign(alertMessage_, std::move(value), showAlertClosure);
}

void TarvelChekoutViewModel::setOrderVerifyData(Dictionary value) {
  state().assign(orderVerifyData_, std::move(value), onSuccess);
}

void TarvelChekoutViewModel::setOrderNotVerifyData(Dictionary value) {
  state().assign(orderNotVerifyData_, std::move(value), onFailure);
}

void TarvelChekoutViewModel::setPaymentStatusData(Dictionary value) {
  state().assign(paymentStatusData_, std::move(value), onSuccessPaymentStatus);
}

bool TarvelChekoutViewModel::isLoading() const { return state().read(isLoading_); }

bool TarvelChekoutViewModel::isPaymentStatusVerifying() const {
  return state().read(isPaymentStatusVerifying_);
}

std::optional<std::string> TarvelChekoutViewModel::alertMessage() const {
  return state().read(alertMessage_);
}

Dictionary TarvelChekoutViewModel::getOrderVerifyData() const {
  return state().read(orderVerifyData_).value_or(Dictionary::object());
}

Dictionary TarvelChekoutViewModel::getOrderNotVerifyData() const {
  return state().read(orderNotVerifyData_).value_or(Dictionary::object());
}

std::optional<Dictionary> TarvelChekoutViewModel::getPaymentStatusData() const {
  return state().read(paymentStatusData_);
}

std::optional<std::string> TarvelChekoutViewModel::orderVerifyText(const char* key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!orderVerifyData_) return std::nullopt;
  return detail::stringValue(*orderVerifyData_, key);
}

// --- questions about the verified order ----------------------------------------------------

std::string TarvelChekoutViewModel::getUPIName(const std::string& name) const {
  if (name == "gpay" || name == "tez") return "Google Pay";
  if (name == "phonepe") return "PhonePe";
  if (name == "paytm") return "Paytm";
  return name;
}

std::string TarvelChekoutViewModel::random(int digits) const {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> digit(1, 9);
  std::string text;
  for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + digit(generator));
  return text;
}

std::optional<std::string> TarvelChekoutViewModel::getQRCode() const {
  auto code = orderVerifyText("qrCode");
  if (code) log(LogLevel::debug, detail::shortenedForLog("qrCode " + *code));
  return code;
}

std::vector<std::string> TarvelChekoutViewModel::getAllUPIOptions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!orderVerifyData_ || !orderVerifyData_->is_object()) return {};
  auto apps = orderVerifyData_->find("uapp");
  if (apps == orderVerifyData_->end() || !apps->is_array()) return {};
  std::vector<std::string> options;
  options.reserve(apps->size());
  for (const auto& app : *apps) {
    // One entry of another type makes the whole list unreadable, not just that entry.
    if (!app.is_string()) return {};
    options.push_back(app.get<std::string>());
  }
  return options;
}

std::optional<std::string> TarvelChekoutViewModel::getUpiImage(const std::string& upiName) const {
  auto image = upiImagesList_.find(upiName);
  if (image == upiImagesList_.end()) return std::nullopt;
  return image->second;
}

std::optional<std::string> TarvelChekoutViewModel::getUPILink(const std::string& app) const {
  auto link = orderVerifyText("u_link");
  if (!link) return std::nullopt;
  return app + "://upi/" + deletingPrefix(kUpiLinkPrefix, *link);
}

// --- calls ---------------------------------------------------------------------------------

void TarvelChekoutViewModel::verifyUPIPayment() {
  if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
  setIsLoading(true);
  apiService_->verifyPaymentData(
      userData_, detail::completionHoldingWeakly(weak_from_this(),
                                                 &TarvelChekoutViewModel::handleVerifyAnswer));
}

void TarvelChekoutViewModel::handleVerifyAnswer(std::optional<Dictionary> response,
                                                std::optional<APIError> error) {
  setIsLoading(false);
  if (error) {
    setAlertMessage(std::string(rawValue(*error)));
    return;
  }
  if (!response) return;
  const bool notVerified = isMarkedNotVerified(*response);
  if (notVerified) {
    Dictionary copy = *response;
    setOrderVerifyData(std::move(*response));
    setOrderNotVerifyData(std::move(copy));
  } else {
    setOrderVerifyData(std::move(*response));
  }
}

Dictionary TarvelChekoutViewModel::paymentStatusParams() const {
  Dictionary params = Dictionary::object();
  std::lock_guard<std::mutex> lock(mutex_);
  if (!orderVerifyData_) return params;
  for (std::string_view key : {OrderKeys::tarvelOid, kAuthTokenKey}) {
    if (auto value = detail::stringValue(*orderVerifyData_, key)) {
      params[std::string(key)] = std::move(*value);
    }
  }
  return params;
}

void TarvelChekoutViewModel::checkPaymentStatus(bool isLoading) {
  if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
  Dictionary params = paymentStatusParams();
  setIsPaymentStatusVerifying(true);
  std::weak_ptr<TarvelChekoutViewModel> weakSelf = weak_from_this();
  const bool keepVerifying = isLoading;
  apiService_->checkPaymentStatus(
      params, [weakSelf, keepVerifying](bool, std::optional<Dictionary> response,
                                        std::optional<APIError> error) {
        if (auto self = weakSelf.lock()) {
          self->handlePaymentStatusAnswer(keepVerifying, std::move(response), error);
        }
      });
}

void TarvelChekoutViewModel::handlePaymentStatusAnswer(bool keepVerifying,
                                                       std::optional<Dictionary> response,
                                                       std::optional<APIError> error) {
  // A poll made while the screen shows its loading area keeps the flag up between polls.
  if (!keepVerifying) setIsPaymentStatusVerifying(false);
  if (error) {
    setAlertMessage(std::string(rawValue(*error)));
  } else if (response) {
    setPaymentStatusData(std::move(*response));
  }
}

void TarvelChekoutViewModel::appAnalytics(const Dictionary& analyticsdata) {
  if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
  detail::sendAnalyticsEvent(*apiService_, analyticsdata);
}

}  // namespace tarvel
