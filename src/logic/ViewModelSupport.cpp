#include "logic/ViewModelSupport.h"

#include <string>   // string
#include <utility>  // move

#include "config/DictionaryReading.h"
#include "config/Redaction.h"
#include "network/LogRedaction.h"
#include "tarvel/APIError.h"
#include "tarvel/APIService.h"
#include "tarvel/Log.h"
#include "tarvel/OrderKeys.h"

namespace tarvel::detail {
namespace {

void logAnalyticsAnswer(const std::optional<Dictionary>& response, std::optional<APIError> error) {
  if (error) {
    log(LogLevel::warning, "appAnalytics Error " + std::string(rawValue(*error)));
  } else if (response) {
    log(LogLevel::debug, "appAnalytics successs " + describeForLog(*response));
  }
}

}  // namespace

std::shared_ptr<VXAPIServiceProtocol> serviceOrDefault(
    std::shared_ptr<VXAPIServiceProtocol> service) {
  if (service) return service;
  return std::make_shared<APIService>();
}

Dictionary orderDictionary(Dictionary value) {
  if (!value.is_object()) return Dictionary::object();
  if (auto phone = stringValue(value, OrderKeys::phone)) rememberPhoneNumber(*phone);
  return value;
}

void sendAnalyticsEvent(VXAPIServiceProtocol& service, const Dictionary& payload) {
  // The completion holds nothing of the sender: the event is fire-and-forget.
  service.appAnalytics(payload,
                       [](bool, std::optional<Dictionary> response, std::optional<APIError> error) {
                         logAnalyticsAnswer(response, error);
                       });
}

}  // namespace tarvel::detail
