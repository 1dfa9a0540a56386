#include "network/QueryString.h"

#include <exception>  // exception

namespace tarvel::detail {
namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool startsEscape(std::string_view text, std::size_t at) {
  return text[at] == '%' && at + 2 < text.size() && isHexDigit(text[at + 1]) &&
         isHexDigit(text[at + 2]);
}

}  // namespace

std::string percentEncode(std::string_view text, bool (*isAllowed)(unsigned char),
                          PercentEscapes escapes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    auto byte = static_cast<unsigned char>(c);
    if (escapes == PercentEscapes::keep && startsEscape(text, at)) {
      encoded.append(text.substr(at, 3));
      at += 2;
    } else if (isAllowed(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

std::string percentEncode(std::string_view text) { return percentEncode(text, isUnreserved); }

std::optional<std::string> queryText(const Dictionary& value) {
  if (value.is_string()) return value.get<std::string>();
  try {
    return value.dump();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> queryString(const Dictionary& parameters) {
  std::string query;
  if (!parameters.is_object()) return query;
  for (auto it = parameters.begin(); it != parameters.end(); ++it) {
    if (it.key().empty()) continue;
    auto text = queryText(it.value());
    if (!text) return std::nullopt;
    if (!query.empty()) query += '&';
    query += percentEncode(it.key());
    query += '=';
    query += percentEncode(*text);
  }
  return query;
}

}  // namespace tarvel::detail
