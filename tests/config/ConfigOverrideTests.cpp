// Runs with its own main: the staging overrides are read once per process, so the variables
// are set before anything reads them.
#include <utility>  // pair
#include <vector>   // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv

#include "LogCapture.h"
#include "config/ExtraCaScope.h"
#include "tarvel/Config.h"

namespace tarvel {
namespace {

test::LogCapture* startupLog = nullptr;

TEST(ConfigOverrideTests, OnlyValidStagingOverridesApplyWithAClosingSlash) {
  EXPECT_EQ(Config::devBaseURL(), "http://127.0.0.1:4010/");
  EXPECT_EQ(Config::devWebCheckoutBaseURL(), "https://127.0.0.1:4012/pages/");
  // The invalid one is logged and ignored.
  EXPECT_EQ(Config::devAppAnalyticsBaseURL(), "https://staging-analytics.tarvel.in/");
  EXPECT_TRUE(startupLog->contains("TARVEL_STAGING_ANALYTICS_URL"));
  // Production hosts ignore the overrides.
  EXPECT_EQ(Config::baseURL(), "https://api.tarvel.in/");
  EXPECT_EQ(Config::appAnalyticsBaseURL(), "https://analytics.tarvel.in/");
  EXPECT_EQ(Config::webCheckoutBaseURL(), "https://checkout.tarvel.in/");
}

TEST(ConfigOverrideTests, ExtraAuthorityFollowsTheOverriddenStagingOrigins) {
  const std::vector<std::pair<const char*, bool>> urls = {
      {"http://127.0.0.1:4010/v1/order/verify", true},
      {"https://127.0.0.1:4012/pages/custom.html", true},
      {"https://127.0.0.1:4012/elsewhere", true},  // the origin counts, not the path
      {"https://127.0.0.1:4010/v1/order/verify", false},
      {"https://127.0.0.1:4013/pages/custom.html", false},
      {"https://staging-analytics.tarvel.in/api/v1/events", true},  // the ignored override
      {"https://staging-api.tarvel.in/v1/order/verify", false},     // overridden away
      {"https://api.tarvel.in/v1/order/verify", false},
      {"https://checkout.tarvel.in/custom.html", false},
  };
  for (const auto& [url, applies] : urls) {
    EXPECT_EQ(detail::extraCaAppliesTo(url), applies) << url;
  }
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
  ::setenv("TARVEL_STAGING_API_URL", "http://127.0.0.1:4010", 1);
  ::setenv("TARVEL_STAGING_ANALYTICS_URL", "ftp://127.0.0.1:4011/", 1);
  ::setenv("TARVEL_STAGING_WEB_URL", "https://127.0.0.1:4012/pages/", 1);
  testing::InitGoogleTest(&argc, argv);
  tarvel::test::LogCapture log;
  tarvel::startupLog = &log;
  tarvel::Config::devBaseURL();  // the one read of the environment, while the log is captured
  int result = RUN_ALL_TESTS();
  tarvel::startupLog = nullptr;
  return result;
}
