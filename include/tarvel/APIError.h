#pragma once

#include <optional>     // optional
#include <string_view>  // string_view

#include "tarvel/Export.h"

namespace tarvel {

/// The errors a call to the payment platform can complete with. The raw value is the text the
/// screens show to the shopper.
enum class APIError { noNetwork, dataNotFound, jsonParsingError, invalidStatusCode };

/// "No Network", "Data Not Found", "Json Parsing Error" or "Invalid Status Code".
TARVEL_CHECKOUT_EXPORT std::string_view rawValue(APIError error);

/// The case whose raw value equals `text` exactly; nothing for any other text.
TARVEL_CHECKOUT_EXPORT std::optional<APIError> apiErrorFromRawValue(std::string_view text);

}  // namespace tarvel
