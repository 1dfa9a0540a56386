#pragma once

#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// The base URL a staging setting resolves to: `overrideValue` when it is an http or https URL
/// without query or fragment (`HttpUrl`), with a "/" appended when it lacks one, else
/// `defaultUrl`. A null or empty value means the variable is not set. A rejected value is
/// logged with the variable's name.
std::string resolveBaseUrl(std::string_view variableName, const char* overrideValue,
                           std::string_view defaultUrl);

}  // namespace tarvel::detail
