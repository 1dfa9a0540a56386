#pragma once

#include <string>  // string

namespace tarvel {

/// The fixed base URLs of the two environments, each "https://" + host + "/". Endpoint paths
/// are appended by plain concatenation.
///
/// The staging values can be pointed elsewhere (the local sandbox, a test server) through the
/// environment variables TARVEL_STAGING_API_URL, TARVEL_STAGING_ANALYTICS_URL and
/// TARVEL_STAGING_WEB_URL, read once on first use (from any thread); an override gets a closing
/// "/" when it lacks one, and one that is not an http(s) URL is logged and ignored. Production
/// values are never overridable.
struct Config {
  static std::string baseURL();                 ///< production platform API
  static std::string appAnalyticsBaseURL();     ///< production analytics
  static std::string devBaseURL();              ///< staging platform API
  static std::string devAppAnalyticsBaseURL();  ///< staging analytics
  static std::string webCheckoutBaseURL();  ///< production hosted web checkout, holds "custom.html"
  static std::string
  devWebCheckoutBaseURL();  ///< staging hosted web checkout: the same page unless overridden
};

}  // namespace tarvel
