#include "UpiLink.h"

#include <array>    // array
#include <cctype>   // isalnum
#include <utility>  // move, pair

namespace tarvel::sandbox {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool unreserved(unsigned char c) {
  return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~';
}

// "<scheme>://upi/pay?query" or "upi://pay?query": the scheme and the query, or nothing.
std::optional<std::pair<std::string, std::string_view>> splitPayLink(std::string_view link) {
  const auto separator = link.find("://");
  if (separator == std::string_view::npos || separator == 0) return std::nullopt;
  std::string scheme(link.substr(0, separator));
  std::string_view rest = link.substr(separator + 3);
  if (rest.substr(0, 4) == "upi/") rest.remove_prefix(4);
  if (rest.substr(0, 4) != "pay?" && rest != "pay") return std::nullopt;
  rest.remove_prefix(rest.size() > 3 ? 4 : 3);
  return std::make_pair(std::move(scheme), rest);
}

}  // namespace

std::string UpiLink::percentEncode(std::string_view text) {
  static constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
  std::string out;
  for (unsigned char c : text) {
    if (unreserved(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0f]);
    }
  }
  return out;
}

std::optional<std::string> UpiLink::percentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i] == '+' ? ' ' : text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

std::string UpiLink::toString() const {
  return scheme + "://pay?pa=" + percentEncode(payeeAddress) + "&pn=" + percentEncode(payeeName) +
         "&am=" + percentEncode(amount) + "&tr=" + percentEncode(reference) +
         "&cu=" + percentEncode(currency);
}

std::optional<UpiLink> UpiLink::parse(std::string_view link) {
  const auto parts = splitPayLink(link);
  if (!parts) return std::nullopt;
  UpiLink result;
  result.scheme = parts->first;
  result.currency.clear();
  std::string_view query = parts->second;
  while (!query.empty()) {
    const auto end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = pair.substr(0, equals);
    auto value = percentDecode(pair.substr(equals + 1));
    if (!value) return std::nullopt;
    if (name == "pa")
      result.payeeAddress = std::move(*value);
    else if (name == "pn")
      result.payeeName = std::move(*value);
    else if (name == "am")
      result.amount = std::move(*value);
    else if (name == "tr")
      result.reference = std::move(*value);
    else if (name == "cu")
      result.currency = std::move(*value);
  }
  if (result.reference.empty()) return std::nullopt;
  if (result.currency.empty()) result.currency = "INR";
  return result;
}

}  // namespace tarvel::sandbox
