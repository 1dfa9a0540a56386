#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// An absolute http or https URL, checked and split into the parts the component decides on.
/// The one shape check for every URL it loads: base URLs, request URLs and redirect targets.
///
///   auto url = HttpUrl::parse("https://API.tarvel.in/v1/order/verify?x=1");
///   url->origin();  // "https://api.tarvel.in:443"
class HttpUrl {
 public:
  /// The parts of `text` when it is "http://" or "https://" (scheme in any case), a host (a
  /// name of letters, digits, "-", ".", "_", "~" and "%", or a bracketed IPv6 address), an
  /// optional port from 1 to 65535, then nothing or a path, query or fragment; with no spaces
  /// or control characters anywhere and no user name or password. Nothing for anything else.
  static std::optional<HttpUrl> parse(std::string_view text);

  /// `text` cut before its query or fragment and without user information, for log lines:
  /// queries and credentials may hold secrets. Works on any text, URL or not.
  static std::string withoutSecrets(std::string_view text);

  const std::string& scheme() const { return scheme_; }  ///< "http" or "https"
  const std::string& host() const { return host_; }      ///< lower case; IPv6 in brackets
  int port() const { return port_; }                     ///< explicit, or 80 / 443
  bool hasQuery() const { return hasQuery_; }
  bool hasFragment() const { return hasFragment_; }
  /// "scheme://host:port" with the port always written: equal for URLs of the same origin.
  std::string origin() const;

 private:
  HttpUrl() = default;

  std::string scheme_;
  std::string host_;
  int port_ = 0;
  bool hasQuery_ = false;
  bool hasFragment_ = false;
};

}  // namespace tarvel::detail
