#include <gtest/gtest.h>

#include <cstdlib>  // getenv
#include <string>   // string
#include <vector>   // vector

#include "LogCapture.h"
#include "config/BaseUrlOverride.h"
#include "tarvel/Color.h"
#include "tarvel/Config.h"

namespace tarvel {
namespace {

TEST(ColorTests, HexStringEdgeCases) {
  const Color black{0, 0, 0, 255};
  const Color green{10, 156, 77, 255};
  // UTF-8 pieces, kept apart so that hex digits after them are not read as part of an escape.
  const std::string eAcute = "\xC3\xA9";
  const std::string invalidByte = "\xFF";
  const std::vector<std::pair<std::string, Color>> cases = {
      {"FFF", {255, 255, 255, 255}},  // short form repeats each digit
      {"1A2", {17, 170, 34, 255}},
      {"#0A9C4D", green},  // any case, trimmed decoration
      {"0a9c4d", green},
      {" 0A9C4D ", green},
      {"0A9C4D;", green},
      {"\t#0A9C4D\n", green},
      {"80FF0000", {255, 0, 0, 128}},  // eight digits carry alpha first
      {"#00000000", {0, 0, 0, 0}},
      {"FF#FFF", {0, 0, 255, 255}},  // inner characters stay and stop the scan
      {"xyz", black},
      {"0x1234", {0, 18, 52, 255}},
      {"0X1234", {0, 18, 52, 255}},
      {"0xZZZZ", black},                       // a lone "0x" is no prefix: 0, then the scan stops
      {"A" + eAcute + "B", {0, 0, 170, 255}},  // three characters, four bytes
      {"F" + eAcute, black},
      {"FF" + eAcute, {0, 255, 255, 255}},
      {"\xC2\xA0"
       "0A9C4D\xE3\x80\x80",
       green},  // non-ASCII spaces,
      {"\xE2\x80\x9C"
       "0A9C4D\xE2\x80\x9D",
       green},  // quotes
      {"\xF0\x9F\x8E\xA8"
       "0A9C4D",
       green},                                          // and emoji are trimmed
      {invalidByte + "0A9C4D\xC3", green},              // malformed UTF-8 is no letter
      {"\xC0\xAF\xED\xA0\x80", black},                  // overlong, surrogate
      {"AB" + invalidByte + "CDE", {0, 0, 0xAB, 255}},  // inner malformed bytes count one each
      {std::string(40, 'F'), black},                    // overlong input saturates
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE('"' + text + '"');
    EXPECT_EQ(Color::fromHexString(text), expected);
  }
  for (const char* otherLength : {"", "#", "12345", "1234567", "123456789", "##", "F", "FFFF"}) {
    EXPECT_EQ(Color::fromHexString(otherLength), black) << '"' << otherLength << '"';
  }
}

TEST(ConfigTests, StagingHostsDefaultToTheStagingPlatform) {
  for (const char* variable :
       {"TARVEL_STAGING_API_URL", "TARVEL_STAGING_ANALYTICS_URL", "TARVEL_STAGING_WEB_URL"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') GTEST_SKIP() << variable << " is set";
  }
  EXPECT_EQ(Config::devBaseURL(), "https://staging-api.tarvel.in/");
  EXPECT_EQ(Config::devAppAnalyticsBaseURL(), "https://staging-analytics.tarvel.in/");
  EXPECT_EQ(Config::devWebCheckoutBaseURL(), Config::webCheckoutBaseURL());
}

TEST(BaseUrlOverrideTests, OnlyHttpBasesOverrideAndRejectionsAreLogged) {
  const std::vector<std::pair<const char*, const char*>> accepted = {
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080/"},
      {"https://sandbox.local/api/", "https://sandbox.local/api/"},
      {"HTTPS://Sandbox.local", "HTTPS://Sandbox.local/"},
      {"http://[::1]:9000", "http://[::1]:9000/"},
      {nullptr, "https://d/"},  // unset or empty: the default, silently
      {"", "https://d/"}};
  test::LogCapture log;
  for (const auto& [value, expected] : accepted) {
    EXPECT_EQ(detail::resolveBaseUrl("V", value, "https://d/"), expected);
  }
  EXPECT_TRUE(log.lines().empty());
  for (const char* bad : {"ftp://host/", "file:///etc/passwd", "127.0.0.1:8080", "http://",
                          "https:///path", "http://host/a b", "http://host/?q=1",
                          "http://host/#top", "javascript:alert(1)", "http://host\n/"}) {
    log.clear();
    EXPECT_EQ(detail::resolveBaseUrl("TARVEL_STAGING_API_URL", bad, "https://d/"), "https://d/")
        << bad;
    ASSERT_EQ(log.lines().size(), 1u) << bad;
    EXPECT_NE(log.lines()[0].find("TARVEL_STAGING_API_URL"), std::string::npos);
    EXPECT_NE(log.lines()[0].find("not an http or https URL"), std::string::npos);
  }
}

}  // namespace
}  // namespace tarvel
