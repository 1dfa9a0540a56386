#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::sandbox {

/// Standard base64 (RFC 4648, with padding, no line breaks), as data URLs carry it.
class Base64 {
 public:
  static std::string encode(std::string_view bytes);
  /// Nothing when `text` is not valid padded base64.
  static std::optional<std::string> decode(std::string_view text);
};

}  // namespace tarvel::sandbox
