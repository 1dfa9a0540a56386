#include "config/HttpUrl.h"

#include <algorithm>  // all_of, any_of
#include <cctype>     // isalnum, isxdigit, isdigit, tolower
#include <cstddef>    // size_t

namespace tarvel::detail {
namespace {

constexpr int kHighestPort = 65535;

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool isSpaceOrControl(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

bool isHostNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' ||
         c == '~' || c == '%';
}

bool isIpv6Character(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The scheme's length including "://", or 0 when the text does not start with an http one.
std::size_t schemePrefixLength(std::string_view text) {
  for (std::string_view prefix : {"https://", "http://"}) {
    if (text.size() >= prefix.size() && lowerCase(text.substr(0, prefix.size())) == prefix) {
      return prefix.size();
    }
  }
  return 0;
}

// Splits "host[:port]" into its host (validated) and port text; false for a malformed host.
bool splitHostAndPort(std::string_view authority, std::string_view& host, std::string_view& port) {
  std::size_t hostEnd = 0;
  if (authority.front() == '[') {
    hostEnd = authority.find(']');
    if (hostEnd == std::string_view::npos || hostEnd < 2) return false;
    if (!std::all_of(authority.begin() + 1, authority.begin() + hostEnd, isIpv6Character)) {
      return false;
    }
    ++hostEnd;
  } else {
    hostEnd = authority.find(':');
    if (hostEnd == std::string_view::npos) hostEnd = authority.size();
    if (hostEnd == 0 ||
        !std::all_of(authority.begin(), authority.begin() + hostEnd, isHostNameCharacter)) {
      return false;
    }
  }
  host = authority.substr(0, hostEnd);
  std::string_view rest = authority.substr(hostEnd);
  if (rest.empty()) {
    port = {};
    return true;
  }
  if (rest.front() != ':') return false;
  port = rest.substr(1);
  return true;
}

std::optional<int> portNumber(std::string_view text) {
  if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit)) {
    return std::nullopt;
  }
  int port = 0;
  for (char c : text) port = port * 10 + (c - '0');
  if (port < 1 || port > kHighestPort) return std::nullopt;
  return port;
}

}  // namespace

std::optional<HttpUrl> HttpUrl::parse(std::string_view text) {
  std::size_t prefix = schemePrefixLength(text);
  if (prefix == 0 || std::any_of(text.begin(), text.end(), isSpaceOrControl)) return std::nullopt;
  std::string_view afterScheme = text.substr(prefix);
  std::size_t authorityEnd = afterScheme.find_first_of("/?#");
  std::string_view authority = afterScheme.substr(0, authorityEnd);
  if (authority.empty() || authority.find('@') != std::string_view::npos) return std::nullopt;

  std::string_view host;
  std::string_view portText;
  if (!splitHostAndPort(authority, host, portText)) return std::nullopt;
  HttpUrl url;
  url.scheme_ = lowerCase(text.substr(0, prefix - 3));
  url.host_ = lowerCase(host);
  if (portText.empty()) {
    if (authority.back() == ':') return std::nullopt;  // "host:" names no port
    url.port_ = url.scheme_ == "https" ? 443 : 80;
  } else if (auto port = portNumber(portText)) {
    url.port_ = *port;
  } else {
    return std::nullopt;
  }
  std::string_view rest = authorityEnd == std::string_view::npos ? std::string_view()
                                                                 : afterScheme.substr(authorityEnd);
  std::size_t fragment = rest.find('#');
  url.hasFragment_ = fragment != std::string_view::npos;
  url.hasQuery_ = rest.substr(0, fragment).find('?') != std::string_view::npos;
  return url;
}

std::string HttpUrl::withoutSecrets(std::string_view text) {
  text = text.substr(0, text.find_first_of("?#"));
  std::string cleaned(text);
  std::size_t authorityStart = cleaned.find("://");
  if (authorityStart == std::string::npos) return cleaned;
  authorityStart += 3;
  std::size_t authorityEnd = cleaned.find('/', authorityStart);
  std::size_t at =
      cleaned.rfind('@', authorityEnd == std::string::npos ? std::string::npos : authorityEnd);
  if (at != std::string::npos && at >= authorityStart) {
    cleaned.erase(authorityStart, at + 1 - authorityStart);
  }
  return cleaned;
}

std::string HttpUrl::origin() const {
  return scheme_ + "://" + host_ + ":" + std::to_string(port_);
}

}  // namespace tarvel::detail
