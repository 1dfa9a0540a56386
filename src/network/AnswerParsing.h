#pragma once

#include <cstddef>      // size_t
#include <optional>     // optional
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// Deeper answers are refused: copying, redacting and printing a dictionary recurse.
inline constexpr std::size_t kMaxAnswerDepth = 512;

/// The answer body as JSON (an object, an array or a scalar), or nothing when it is not JSON:
/// empty, malformed, invalid UTF-8, or nested deeper than `kMaxAnswerDepth`. Never throws.
std::optional<Dictionary> parseAnswer(std::string_view body);

}  // namespace tarvel::detail
