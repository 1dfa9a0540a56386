#pragma once

#include <cstddef>      // size_t
#include <string_view>  // string_view

#include "config/BoundedJson.h"

namespace tarvel::detail {

/// The platform's answers are a few levels deep; anything far deeper is not one of them.
inline constexpr std::size_t kMaxAnswerDepth = 64;

/// The answer body as JSON (an object, an array or a scalar), or why it is not: larger than
/// the loader accepts, nested deeper than `kMaxAnswerDepth`, not UTF-8, or not JSON (empty,
/// malformed, text after the value). Never throws.
BoundedJson parseAnswer(std::string_view body);

}  // namespace tarvel::detail
