#include "logic/ViewModelSupport.h"

#include <optional>  // optional
#include <utility>   // move

#include "network/LogRedaction.h"
#include "tarvel/APIError.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

void logAnalyticsAnswer(const std::optional<Dictionary>& response, std::optional<APIError> error) {
  if (error) {
    log("appAnalytics Error " + std::string(rawValue(*error)));
  } else if (response) {
    log("appAnalytics successs " + describeForLog(*response));
  }
}

}  // namespace

Dictionary dictionaryOrEmpty(Dictionary value) {
  return value.is_object() ? std::move(value) : Dictionary::object();
}

std::string noNetworkText() { return std::string(rawValue(APIError::noNetwork)); }

bool sendAnalyticsEvent(VXAPIServiceProtocol& service, const Dictionary& payload) {
  if (!InternetConnectionManager::isConnectedToNetwork()) return false;
  // The completion holds nothing of the sender: the event is fire-and-forget.
  service.appAnalytics(payload,
                       [](bool, std::optional<Dictionary> response, std::optional<APIError> error) {
                         logAnalyticsAnswer(response, error);
                       });
  return true;
}

}  // namespace tarvel::detail
