#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// The text under `key`, or nothing when `dictionary` is not an object, the key is missing,
/// or its value is not a string. Readers treat a value of another type as missing.
std::optional<std::string> stringValue(const Dictionary& dictionary, std::string_view key);

/// The object under `key`, or nothing when it is missing or not an object.
const Dictionary* objectValue(const Dictionary& dictionary, std::string_view key);

}  // namespace tarvel::detail
