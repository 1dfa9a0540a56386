#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// What `percentEncode` does with a "%" that starts a valid escape ("%" and two hex digits).
enum class PercentEscapes {
  encode,  ///< writes it as "%25", like any other byte outside the allowed set
  keep,    ///< keeps the escape as it is, so encoding text that is encoded already changes nothing
};

/// `text` with every byte for which `isAllowed` is false written as "%XX" (upper-case hex).
std::string percentEncode(std::string_view text, bool (*isAllowed)(unsigned char),
                          PercentEscapes escapes = PercentEscapes::encode);

/// `text` with every byte outside the unreserved set (letters, digits, "-", ".", "_", "~")
/// written as "%XX", so it is safe as a query item's name or value.
std::string percentEncode(std::string_view text);

/// The text a value is sent as in a query: a text as itself, a number in decimal form, any
/// other value as its JSON text. Nothing when it cannot be written (invalid UTF-8 inside a
/// nested value).
std::optional<std::string> queryText(const Dictionary& value);

/// "name=value" items joined with "&", one for every key of `parameters` with a non-empty
/// name, percent-encoded; empty when there is none (also for a value that is not an object).
/// Nothing when a value cannot be written.
std::optional<std::string> queryString(const Dictionary& parameters);

}  // namespace tarvel::detail
