#pragma once

#include <cstddef>      // size_t
#include <optional>     // optional
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// What `parseBoundedJson` made of a text: the value, or why there is none.
struct BoundedJson {
  enum class Refusal {
    tooLarge,  ///< longer than allowed (or too big to hold in memory)
    tooDeep,   ///< arrays and objects nested deeper than allowed
    notUtf8,   ///< a byte sequence that is not UTF-8
    notJson,   ///< empty, malformed, or text after the value
  };

  std::optional<Dictionary> value;     ///< any JSON value: object, array or scalar
  Refusal refusal = Refusal::notJson;  ///< meaningful only without a value

  explicit operator bool() const { return value.has_value(); }
};

/// Parses JSON text from outside the component (the platform's answers, a web page's
/// messages) within bounds: at most `maxBytes` bytes and `maxDepth` levels of nesting
/// ("[[1]]" is two levels), checked in one flat pass before the parser runs, so no input, not
/// even one nested 60 000 levels deep, reaches recursive code. Never throws.
BoundedJson parseBoundedJson(std::string_view text, std::size_t maxBytes,
                             std::size_t maxDepth) noexcept;

/// "larger than allowed", "nested too deeply", "not UTF-8" or "not JSON", for log lines.
std::string_view describe(BoundedJson::Refusal refusal);

}  // namespace tarvel::detail
