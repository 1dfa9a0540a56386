#include "config/BaseUrlOverride.h"

#include "config/HttpUrl.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

// Endpoint paths are appended to a base URL, so it may not end in a query or fragment.
bool isHttpBaseUrl(std::string_view text) {
  auto url = HttpUrl::parse(text);
  return url && !url->hasQuery() && !url->hasFragment();
}

}  // namespace

std::string resolveBaseUrl(std::string_view variableName, const char* overrideValue,
                           std::string_view defaultUrl) {
  if (overrideValue == nullptr || *overrideValue == '\0') return std::string(defaultUrl);
  std::string value(overrideValue);
  if (!isHttpBaseUrl(value)) {
    log(LogLevel::warning, std::string("Ignoring ") + std::string(variableName) + "=\"" +
                               HttpUrl::withoutSecrets(value) +
                               "\": not an http or https URL; using " + std::string(defaultUrl));
    return std::string(defaultUrl);
  }
  if (value.back() != '/') value += '/';
  return value;
}

}  // namespace tarvel::detail
