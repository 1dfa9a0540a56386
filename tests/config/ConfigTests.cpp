// The base URLs without overrides, the service following the environment switch, and where the
// extra certificate authority applies (ConfigOverrideTests covers the overridden case).
#include <cstdlib>  // getenv
#include <string>   // string
#include <utility>  // pair
#include <vector>   // vector

#include <gtest/gtest.h>

#include "config/ExtraCaScope.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"
#include "tarvel/Environment.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

class ConfigTests : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* variable :
         {"TARVEL_STAGING_API_URL", "TARVEL_STAGING_ANALYTICS_URL", "TARVEL_STAGING_WEB_URL"}) {
      const char* value = std::getenv(variable);
      if (value != nullptr && *value != '\0') GTEST_SKIP() << variable << " is set";
    }
  }
  void TearDown() override { NetworkManager::setEnvironment(Environment::staging); }
};

// The last environment set wins, for services made before the switch too.
TEST_F(ConfigTests, EachEnvironmentHasItsOwnHostsAndTheServiceFollowsTheSwitch) {
  APIService service;
  EXPECT_EQ(NetworkManager::environment(), Environment::staging);
  static_assert(environmentFor(true) == Environment::production);
  static_assert(environmentFor(false) == Environment::staging);
  struct Row {
    Environment environment;
    const char* api;
    const char* analytics;
    const char* web;
  };
  const std::vector<Row> rows = {
      {Environment::production, "https://api.tarvel.in/", "https://analytics.tarvel.in/",
       "https://checkout.tarvel.in/"},
      {Environment::staging, "https://staging-api.tarvel.in/",
       "https://staging-analytics.tarvel.in/", "https://checkout.tarvel.in/"},
  };
  for (const auto& row : rows) {
    NetworkManager::setEnvironment(row.environment);
    EXPECT_EQ(Config::apiBaseURL(row.environment), row.api);
    EXPECT_EQ(service.baseUrl(), row.api);
    EXPECT_EQ(service.appAnalyticsBaseUrl(), row.analytics);
    EXPECT_EQ(Config::webCheckoutPageBaseURL(row.environment), row.web);
  }
}

TEST_F(ConfigTests, ExtraAuthorityAppliesToStagingOriginsOnlyNeverToProduction) {
  const std::vector<std::pair<const char*, bool>> urls = {
      {"https://staging-api.tarvel.in/v1/order/verify", true},
      {"https://STAGING-API.tarvel.in:443/v1/order/verify", true},
      {"https://staging-analytics.tarvel.in/api/v1/events", true},
      {"https://staging-api.tarvel.in:8443/v1/order/verify", false},  // another port
      {"http://staging-api.tarvel.in/v1/order/verify", false},        // another scheme
      {"https://api.tarvel.in/v1/order/verify", false},
      {"https://analytics.tarvel.in/api/v1/events", false},
      // The staging web page is the production one unless overridden: production wins.
      {"https://checkout.tarvel.in/custom.html", false},
      {"https://127.0.0.1/", false},
      {"https://staging-api.tarvel.in.example/", false},
      {"not a url", false},
  };
  for (const auto& [url, applies] : urls) {
    EXPECT_EQ(detail::extraCaAppliesTo(url), applies) << url;
  }
}

}  // namespace
}  // namespace tarvel
