// Where the extra certificate authority applies without overrides; the configuration's pure
// tables: order routing and colours.
#include <cstdlib>   // getenv
#include <optional>  // optional, nullopt
#include <string>    // string
#include <utility>   // pair
#include <vector>    // vector

#include <gtest/gtest.h>

#include "config/ExtraCaScope.h"
#include "config/OrderRoute.h"
#include "tarvel/Color.h"

namespace tarvel {
namespace {

// The default staging origins (another scheme, port or a production host, with overrides:
// ComponentAgainstSandboxTests).
TEST(ConfigTests, ExtraAuthorityAppliesToTheDefaultStagingOriginsOnly) {
  for (const char* variable :
       {"TARVEL_STAGING_API_URL", "TARVEL_STAGING_ANALYTICS_URL", "TARVEL_STAGING_WEB_URL"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') GTEST_SKIP() << variable << " is set";
  }
  const std::vector<std::pair<const char*, bool>> urls = {
      {"https://STAGING-API.tarvel.in:443/v1/order/verify", true},
      {"https://staging-analytics.tarvel.in/api/v1/events", true},
      // The staging web page is the production one unless overridden: production wins.
      {"https://checkout.tarvel.in/custom.html", false},
      {"https://staging-api.tarvel.in.example/", false},
      {"not a url", false},
  };
  for (const auto& [url, applies] : urls) {
    EXPECT_EQ(detail::extraCaAppliesTo(url), applies) << url;
  }
}

// Every route runs end to end in TarvelCheckoutRoutingTests; these are the orders it leaves out.
TEST(OrderRouteTests, NearMissesOfTheTableTakeTheDefaultRow) {
  const std::nullopt_t missing = std::nullopt;  // the key is left out of the order
  struct Row {
    Dictionary orderType;
    std::optional<Dictionary> upiApp;
    detail::OrderRoute route;
  };
  const std::vector<Row> rows = {
      {Dictionary::object(), "customweb", detail::OrderRoute::none},
      {"non-vx", missing, detail::OrderRoute::rtoTracking},
      {"Non-VX", missing, detail::OrderRoute::verifyOtpPushed},
      {"upi ", "phonepe", detail::OrderRoute::verifyOtpPushed},
      {"cod", Dictionary(false), detail::OrderRoute::verifyOtpPushed},
  };
  for (const auto& row : rows) {
    Dictionary order = {{"mid", "m"}, {"moid", "o"}, {"order_type", row.orderType}};
    if (row.upiApp) order["upi_app"] = *row.upiApp;
    SCOPED_TRACE(order.dump());
    EXPECT_EQ(detail::routeOrder(order), row.route);
  }
}

TEST(ColorTests, HexStringEdgeCases) {
  const Color black{0, 0, 0, 255};
  const Color green{10, 156, 77, 255};
  // "\u" takes exactly four hex digits, "\U" eight, an octal escape at most three: the digits
  // after them stay digits.
  const std::vector<std::pair<std::string, Color>> cases = {
      {"FFF", {255, 255, 255, 255}},  // short form repeats each digit
      {"#0A9C4D;", green},            // trimmed decoration
      {"0a9c4d", green},
      {"80FF0000", {255, 0, 0, 128}},  // eight digits carry alpha first
      {"FF#FFF", {0, 0, 255, 255}},    // inner characters stay and stop the scan
      {"xyz", black},
      {"0x1234", {0, 18, 52, 255}},
      {"0xZZZZ", black},                 // a lone "0x" is no prefix: 0, then the scan stops
      {"A\u00E9B", {0, 0, 170, 255}},    // three characters, four bytes
      {"\u00A00A9C4D\u3000", green},     // non-ASCII spaces
      {"\U0001F3A80A9C4D", green},       // and emoji are trimmed
      {"\3770A9C4D\303", green},         // malformed UTF-8 (\377, a lone \303) is no letter
      {"\xC0\xAF\xED\xA0\x80", black},   // overlong, surrogate
      {"AB\377CDE", {0, 0, 0xAB, 255}},  // inner malformed bytes count one each
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE('"' + text + '"');
    EXPECT_EQ(Color::fromHexString(text), expected);
  }
  for (const char* otherLength : {"", "12345", "1234567", "123456789", "FFFF"}) {
    EXPECT_EQ(Color::fromHexString(otherLength), black) << '"' << otherLength << '"';
  }
}

}  // namespace
}  // namespace tarvel
