#pragma once

#include <functional>  // function
#include <string>      // string

namespace tarvel::detail {

/// The system's registry of applications by URL scheme: which schemes another application
/// handles, and handing a URL to that application.
class UrlSchemeRegistry {
 public:
  virtual ~UrlSchemeRegistry() = default;

  /// True when some application handles `scheme` (lower case, without the ':').
  virtual bool hasHandler(const std::string& scheme) = 0;

  /// Hands `url` to the application for its scheme, unchanged (percent-escapes intact), and
  /// calls `completion` once with whether it was launched, on any thread. Must not block.
  virtual void open(const std::string& url, std::function<void(bool)> completion) = 0;
};

}  // namespace tarvel::detail
