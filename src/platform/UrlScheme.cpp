#include "platform/UrlScheme.h"

#include <cctype>  // isalpha, isalnum, tolower

namespace tarvel::detail {

std::string urlScheme(std::string_view url) {
  const auto colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  std::string scheme;
  for (std::size_t i = 0; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(url[i]);
    const bool valid =
        i == 0 ? std::isalpha(c) : (std::isalnum(c) || c == '+' || c == '-' || c == '.');
    if (!valid) return {};
    scheme.push_back(static_cast<char>(std::tolower(c)));
  }
  return scheme;
}

}  // namespace tarvel::detail
