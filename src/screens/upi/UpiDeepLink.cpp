#include "UpiDeepLink.h"

#include "network/QueryString.h"

namespace tarvel::detail {
namespace {

bool isQueryAllowed(unsigned char byte) {
  if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'))
    return true;
  return std::string_view("!$&'()*+,-./:;=?@_~").find(static_cast<char>(byte)) !=
         std::string_view::npos;
}

}  // namespace

std::string probedUpiAppKey(std::string_view key) {
  if (key == "tez") return "gpay";
  if (key == "upi") return "bhim";
  return std::string(key);
}

bool isValidUpiAppKey(std::string_view key) {
  if (key.empty() || key.size() > kMaxUpiAppKeyLength) return false;
  for (char c : key) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

std::string upiProbeAddress(std::string_view key) { return std::string(key) + "://app"; }

std::string addingPercentEncodingForQuery(std::string_view text) {
  return percentEncode(text, isQueryAllowed, PercentEscapes::keep);
}

}  // namespace tarvel::detail
