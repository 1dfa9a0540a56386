#include "tarvel/Config.h"

#include <cstdlib>  // getenv

#include "config/BaseUrlOverride.h"

namespace tarvel {
namespace {

constexpr const char* kProductionApi = "https://api.tarvel.in/";
constexpr const char* kProductionAnalytics = "https://analytics.tarvel.in/";
constexpr const char* kProductionWebCheckout = "https://checkout.tarvel.in/";
constexpr const char* kStagingApi = "https://staging-api.tarvel.in/";
constexpr const char* kStagingAnalytics = "https://staging-analytics.tarvel.in/";
// One hosted page serves both environments; only the staging one may be pointed elsewhere.
constexpr const char* kStagingWebCheckout = kProductionWebCheckout;

struct StagingUrls {
  std::string api;
  std::string analytics;
  std::string webCheckout;
};

StagingUrls readStagingUrls() {
  auto resolve = [](const char* variable, const char* defaultUrl) {
    return detail::resolveBaseUrl(variable, std::getenv(variable), defaultUrl);
  };
  return {resolve("TARVEL_STAGING_API_URL", kStagingApi),
          resolve("TARVEL_STAGING_ANALYTICS_URL", kStagingAnalytics),
          resolve("TARVEL_STAGING_WEB_URL", kStagingWebCheckout)};
}

// Read once, on first use from any thread; the process environment is not consulted again.
const StagingUrls& stagingUrls() {
  static const StagingUrls urls = readStagingUrls();
  return urls;
}

}  // namespace

std::string Config::apiBaseURL(Environment environment) {
  return environment == Environment::production ? baseURL() : devBaseURL();
}

std::string Config::analyticsBaseURL(Environment environment) {
  return environment == Environment::production ? appAnalyticsBaseURL() : devAppAnalyticsBaseURL();
}

std::string Config::webCheckoutPageBaseURL(Environment environment) {
  return environment == Environment::production ? webCheckoutBaseURL() : devWebCheckoutBaseURL();
}

std::string Config::baseURL() { return kProductionApi; }
std::string Config::appAnalyticsBaseURL() { return kProductionAnalytics; }
std::string Config::webCheckoutBaseURL() { return kProductionWebCheckout; }
std::string Config::devBaseURL() { return stagingUrls().api; }
std::string Config::devAppAnalyticsBaseURL() { return stagingUrls().analytics; }
std::string Config::devWebCheckoutBaseURL() { return stagingUrls().webCheckout; }

}  // namespace tarvel
