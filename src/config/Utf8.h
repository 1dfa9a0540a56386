#pragma once

#include <cstddef>      // size_t
#include <string_view>  // string_view

namespace tarvel::detail {

/// Length (1 to 4) of the UTF-8 sequence that starts at byte `at` of `text`, or 0 when the
/// bytes there are not valid UTF-8: a stray continuation byte, a truncated or overlong
/// sequence, a surrogate, or a code point beyond U+10FFFF. `at` must be inside `text`.
std::size_t validUtf8Length(std::string_view text, std::size_t at);

}  // namespace tarvel::detail
