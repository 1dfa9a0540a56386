#pragma once

#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// The base URL a staging setting resolves to: `overrideValue` when it is an http or https URL
/// (with a "/" appended when it lacks one), else `defaultUrl`. A null or empty value means the
/// variable is not set. A rejected value is logged with the variable's name.
std::string resolveBaseUrl(std::string_view variableName, const char* overrideValue,
                           std::string_view defaultUrl);

/// True for "http://host[...]" or "https://host[...]" (scheme in any case) without spaces,
/// control characters, query or fragment, so endpoint paths can be appended to it.
bool isHttpBaseUrl(std::string_view text);

}  // namespace tarvel::detail
