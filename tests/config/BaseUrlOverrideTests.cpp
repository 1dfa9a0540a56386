#include <string>   // string
#include <utility>  // pair
#include <vector>   // vector

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "config/BaseUrlOverride.h"

namespace tarvel {
namespace {

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
  for (const char* bad : {"ftp://host/", "127.0.0.1:8080", "http://", "http://host/a b",
                          "http://host/?q=1", "http://host/#top", "javascript:alert(1)"}) {
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
