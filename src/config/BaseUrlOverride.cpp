#include "config/BaseUrlOverride.h"

#include <algorithm>  // none_of
#include <cctype>     // tolower
#include <cstddef>    // size_t

#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool isForbiddenCharacter(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F || c == '?' || c == '#';
}

}  // namespace

bool isHttpBaseUrl(std::string_view text) {
  std::string_view rest;
  if (startsWithIgnoringCase(text, "https://")) {
    rest = text.substr(8);
  } else if (startsWithIgnoringCase(text, "http://")) {
    rest = text.substr(7);
  } else {
    return false;
  }
  if (rest.empty() || rest.front() == '/') return false;  // no host
  return std::none_of(text.begin(), text.end(), isForbiddenCharacter);
}

std::string resolveBaseUrl(std::string_view variableName, const char* overrideValue,
                           std::string_view defaultUrl) {
  if (overrideValue == nullptr || *overrideValue == '\0') return std::string(defaultUrl);
  std::string value(overrideValue);
  if (!isHttpBaseUrl(value)) {
    log(std::string("Ignoring ") + std::string(variableName) + "=\"" + value +
        "\": not an http or https URL; using " + std::string(defaultUrl));
    return std::string(defaultUrl);
  }
  if (value.back() != '/') value += '/';
  return value;
}

}  // namespace tarvel::detail
