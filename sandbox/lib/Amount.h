#pragma once

#include <cstdint>      // int64_t
#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

#include <nlohmann/json.hpp>

namespace tarvel::sandbox {

/// Rupee amounts held as whole paise, so "499", "499.0" and "499.00" compare equal.
class Amount {
 public:
  /// A non-negative decimal with at most two fraction digits and at most ten integer digits.
  static std::optional<std::int64_t> paise(std::string_view text);
  /// A JSON text as above, or a non-negative JSON number (rounded to whole paise).
  static std::optional<std::int64_t> paiseOfJson(const nlohmann::json& value);
  /// Two fraction digits: 49900 gives "499.00".
  static std::string text(std::int64_t paise);
};

}  // namespace tarvel::sandbox
