#pragma once

#include <string>  // string

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

}  // namespace tarvel::detail
