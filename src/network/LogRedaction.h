#pragma once

#include <cstddef>      // size_t
#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// Logged text is cut here: the platform's answers are a few kilobytes, and a log line should
/// stay readable whatever arrives.
inline constexpr std::size_t kMaxLoggedBytes = 4096;

/// What a secret's value is logged as.
inline constexpr std::string_view kRedactedText = "<redacted>";

/// The text a logged dictionary is written as: compact JSON with the value under every secret
/// key (`isSecretKey`) replaced by "<redacted>" and the phone numbers under phone-like keys
/// masked to their last four digits (`isPhoneKey`, `maskPhoneNumbers`), at any depth, and
/// invalid UTF-8 replaced by U+FFFD. Text
/// beyond `maxBytes` is cut and a note of the full length follows, e.g.
/// `{"data":{"uapp":["a",... (1048576 bytes in all)`. Written in one flat pass over the
/// dictionary, without copying it and whatever its depth. Every dictionary that reaches the
/// log goes through here.
std::string describeForLog(const Dictionary& dictionary, std::size_t maxBytes = kMaxLoggedBytes);

/// `text` cut to `maxBytes` (at a character boundary) with the same note when it is longer.
std::string shortenedForLog(std::string_view text, std::size_t maxBytes = kMaxLoggedBytes);

}  // namespace tarvel::detail
