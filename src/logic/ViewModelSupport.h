#pragma once

#include <memory>    // weak_ptr
#include <optional>  // optional
#include <string>    // string
#include <utility>   // move

#include "tarvel/APICompletion.h"
#include "tarvel/Dictionary.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel::detail {

/// `value` when it is a JSON object, otherwise an empty object: the view models always hold
/// their create data as a dictionary, so a default-constructed (null) one reads as empty.
Dictionary dictionaryOrEmpty(Dictionary value);

/// "No Network", the text the view models show when a call cannot be sent.
std::string noNetworkText();

/// Sends one analytics event through `service` unless the machine is offline. The answer is
/// only logged: "appAnalytics successs " and the response, or "appAnalytics Error " and the
/// error's text. Returns false, having sent nothing, when offline.
bool sendAnalyticsEvent(VXAPIServiceProtocol& service, const Dictionary& payload);

/// A completion that hands the answer to `handler` of the view model while it still exists;
/// once the view model is released the answer is dropped.
template <typename ViewModel>
APICompletion completionHoldingWeakly(std::weak_ptr<ViewModel> weakSelf,
                                      void (ViewModel::*handler)(std::optional<Dictionary>,
                                                                 std::optional<APIError>)) {
  return [weakSelf = std::move(weakSelf), handler](bool, std::optional<Dictionary> response,
                                                   std::optional<APIError> error) {
    if (auto self = weakSelf.lock()) ((*self).*handler)(std::move(response), error);
  };
}

}  // namespace tarvel::detail
