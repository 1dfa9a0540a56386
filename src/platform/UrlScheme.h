#pragma once

#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// The scheme of `url` in lower case ("phonepe" for "PhonePe://pay"), or "" when `url` does not
/// start with a valid scheme followed by ':'.
std::string urlScheme(std::string_view url);

}  // namespace tarvel::detail
