#pragma once

#include <string>  // string

#include "tarvel/Environment.h"
#include "tarvel/Export.h"

namespace tarvel {

/// The fixed base URLs of the two environments, each "https://" + host + "/". Endpoint paths
/// are appended by plain concatenation.
///
/// The staging values can be pointed elsewhere (the local sandbox, a test server) through the
/// environment variables TARVEL_STAGING_API_URL, TARVEL_STAGING_ANALYTICS_URL and
/// TARVEL_STAGING_WEB_URL, read once on first use (from any thread); an override gets a closing
/// "/" when it lacks one, and one that is not an http(s) URL is logged and ignored. Production
/// values are never overridable.
///
/// Code that picks a host by environment uses the three functions taking an `Environment`;
/// the six fixed ones name one environment each.
struct TARVEL_CHECKOUT_EXPORT Config {
  /// The platform API base of `environment`: `baseURL()` or `devBaseURL()`.
  static std::string apiBaseURL(Environment environment);
  /// The analytics base of `environment`: `appAnalyticsBaseURL()` or `devAppAnalyticsBaseURL()`.
  static std::string analyticsBaseURL(Environment environment);
  /// The hosted web checkout of `environment`: `webCheckoutBaseURL()` or
  /// `devWebCheckoutBaseURL()`.
  static std::string webCheckoutPageBaseURL(Environment environment);

  static std::string baseURL();                 ///< production platform API
  static std::string appAnalyticsBaseURL();     ///< production analytics
  static std::string devBaseURL();              ///< staging platform API
  static std::string devAppAnalyticsBaseURL();  ///< staging analytics
  static std::string webCheckoutBaseURL();  ///< production hosted web checkout, holds "custom.html"
  static std::string
  devWebCheckoutBaseURL();  ///< staging hosted web checkout: the same page unless overridden
};

}  // namespace tarvel
