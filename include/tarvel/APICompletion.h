#pragma once

#include <functional>  // function
#include <optional>    // optional

#include "tarvel/APIError.h"
#include "tarvel/Dictionary.h"

namespace tarvel {

/// The completion of every call to the payment platform: a success flag (true whenever the
/// service completes), the answer dictionary or nothing, and an error or nothing. Callers decide
/// on the error alone. It runs once, on the URL loader's thread, never on the main thread.
using APICompletion = std::function<void(bool success, std::optional<Dictionary> response,
                                         std::optional<APIError> error)>;

}  // namespace tarvel
