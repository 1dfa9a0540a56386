#include <gtest/gtest.h>

#include <cstdlib>  // getenv

#include "LogCapture.h"
#include "config/BaseUrlOverride.h"
#include "tarvel/Config.h"

namespace tarvel {
namespace {

bool isSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

TEST(ConfigTests, ProductionHostsAreFixed) {
  EXPECT_EQ(Config::baseURL(), "https://api.tarvel.in/");
  EXPECT_EQ(Config::appAnalyticsBaseURL(), "https://analytics.tarvel.in/");
  EXPECT_EQ(Config::webCheckoutBaseURL(), "https://checkout.tarvel.in/");
}

TEST(ConfigTests, StagingHostsDefaultToTheStagingPlatform) {
  if (isSet("TARVEL_STAGING_API_URL") || isSet("TARVEL_STAGING_ANALYTICS_URL") ||
      isSet("TARVEL_STAGING_WEB_URL")) {
    GTEST_SKIP() << "staging overrides are set in this environment";
  }
  EXPECT_EQ(Config::devBaseURL(), "https://staging-api.tarvel.in/");
  EXPECT_EQ(Config::devAppAnalyticsBaseURL(), "https://staging-analytics.tarvel.in/");
  EXPECT_EQ(Config::devWebCheckoutBaseURL(), "https://staging-checkout.tarvel.in/");
}

TEST(ConfigTests, ApiAndAnalyticsUseDifferentHostsInBothEnvironments) {
  EXPECT_NE(Config::baseURL(), Config::appAnalyticsBaseURL());
  EXPECT_NE(Config::devBaseURL(), Config::devAppAnalyticsBaseURL());
}

TEST(BaseUrlOverrideTests, AcceptsHttpAndHttpsUrlsAndAddsTheClosingSlash) {
  EXPECT_EQ(detail::resolveBaseUrl("V", "http://127.0.0.1:8080", "https://d/"),
            "http://127.0.0.1:8080/");
  EXPECT_EQ(detail::resolveBaseUrl("V", "https://sandbox.local/api/", "https://d/"),
            "https://sandbox.local/api/");
  EXPECT_EQ(detail::resolveBaseUrl("V", "HTTPS://Sandbox.local", "https://d/"),
            "HTTPS://Sandbox.local/");
  EXPECT_EQ(detail::resolveBaseUrl("V", "http://[::1]:9000", "https://d/"), "http://[::1]:9000/");
}

TEST(BaseUrlOverrideTests, UnsetOrEmptyKeepsTheDefaultSilently) {
  test::LogCapture log;
  EXPECT_EQ(detail::resolveBaseUrl("V", nullptr, "https://d/"), "https://d/");
  EXPECT_EQ(detail::resolveBaseUrl("V", "", "https://d/"), "https://d/");
  EXPECT_TRUE(log.lines().empty());
}

TEST(BaseUrlOverrideTests, RejectsAnythingButAnHttpBaseAndSaysSo) {
  for (const char* bad : {"ftp://host/", "file:///etc/passwd", "127.0.0.1:8080", "http://",
                          "https:///path", "http://host/a b", "http://host/?q=1",
                          "http://host/#top", "javascript:alert(1)", "http://host\n/"}) {
    test::LogCapture log;
    EXPECT_EQ(detail::resolveBaseUrl("TARVEL_STAGING_API_URL", bad, "https://d/"), "https://d/")
        << bad;
    ASSERT_EQ(log.lines().size(), 1u) << bad;
    EXPECT_NE(log.lines()[0].find("TARVEL_STAGING_API_URL"), std::string::npos);
    EXPECT_NE(log.lines()[0].find("not an http or https URL"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarvel
