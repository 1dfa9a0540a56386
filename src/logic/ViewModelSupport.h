#pragma once

#include <memory>    // shared_ptr, weak_ptr
#include <optional>  // optional
#include <utility>   // move

#include "tarvel/APICompletion.h"
#include "tarvel/Dictionary.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel::detail {

/// `service`, or a new `APIService` when it is null.
std::shared_ptr<VXAPIServiceProtocol> serviceOrDefault(
    std::shared_ptr<VXAPIServiceProtocol> service);

/// The order dictionary a view model keeps: `value` when it is a JSON object, otherwise an
/// empty object (so a default-constructed, null one reads as empty). Its "phone" is
/// remembered for the log, which masks it wherever it appears.
Dictionary orderDictionary(Dictionary value);

/// Sends one analytics event through `service` (the caller has checked the network). The
/// answer is only logged: "appAnalytics successs " and the response, or "appAnalytics Error "
/// and the error's text.
void sendAnalyticsEvent(VXAPIServiceProtocol& service, const Dictionary& payload);

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
