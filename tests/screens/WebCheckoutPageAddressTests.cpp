#include <string>  // string

#include <QUrlQuery>  // QUrlQuery

#include <gtest/gtest.h>

#include "screens/web/WebCheckoutPageAddress.h"
#include "tarvel/Config.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

Dictionary order() {
  return {{"order_type", "cod"}, {"mid", "m1"},        {"moid", "42"},
          {"request_id", "r9"},  {"tarvel_oid", "g7"}, {"upi_app", "customweb"}};
}

std::string addressText(const std::string& base, const Dictionary& order) {
  return detail::webCheckoutPageAddress(base, order).url.toEncoded().toStdString();
}

TEST(WebCheckoutPageAddressTests, ParametersFollowTheBaseInTheirFixedOrderForBothEnvironments) {
  const std::string query =
      "custom.html?order_type=cod&mid=m1&moid=42&environment=sandbox&request_id=r9&tarvel_oid=g7";
  for (const std::string& base : {Config::webCheckoutBaseURL(), Config::devWebCheckoutBaseURL()}) {
    EXPECT_EQ(addressText(base, order()), base + query);
  }
  Dictionary empty = order();  // empty text is a value, not a missing key
  empty["request_id"] = "";
  EXPECT_EQ(addressText("https://pay.example/", empty),
            "https://pay.example/custom.html?order_type=cod&mid=m1&moid=42&environment=sandbox"
            "&request_id=&tarvel_oid=g7");
}

// Unencoded, "#" would cut the address short (the page as the server sees it: the web tests).
TEST(WebCheckoutPageAddressTests, FragmentMarkStaysInsideItsParameter) {
  Dictionary tricky = order();
  tricky["tarvel_oid"] = "g7#frag ü";
  const auto address = detail::webCheckoutPageAddress("https://pay.example/", tricky);
  ASSERT_TRUE(address.error.empty()) << address.error;
  EXPECT_EQ(address.url.toEncoded().toStdString(),
            "https://pay.example/custom.html?order_type=cod&mid=m1&moid=42"
            "&environment=sandbox&request_id=r9&tarvel_oid=g7%23frag%20%C3%BC");
  EXPECT_EQ(QUrlQuery(address.url).queryItemValue("tarvel_oid", QUrl::FullyDecoded),
            QStringLiteral("g7#frag ü"));
  EXPECT_TRUE(address.url.fragment().isEmpty());
}

TEST(WebCheckoutPageAddressTests, MissingOrNonTextValueGivesNoAddressAndNamesTheKey) {
  for (const char* key : {"order_type", "mid", "moid", "request_id", "tarvel_oid"}) {
    SCOPED_TRACE(key);
    Dictionary missing = order();
    missing.erase(key);
    Dictionary number = order();
    number[key] = 42;
    for (const Dictionary& broken : {missing, number}) {
      const auto address = detail::webCheckoutPageAddress("https://pay.example/", broken);
      EXPECT_FALSE(address.url.isValid());
      EXPECT_NE(address.error.find(key), std::string::npos) << address.error;
    }
  }
}

TEST(CustomeCheckoutTests, ConstructionWritesTheEnvironmentFromItsFlagLastWriterWins) {
  CustomeCheckout production(order(), true);
  EXPECT_EQ(NetworkManager::environment(), Environment::production);
  CustomeCheckout staging(order(), false);
  EXPECT_EQ(NetworkManager::environment(), Environment::staging);
  EXPECT_EQ(staging.webView(), nullptr) << "nothing loads before the screen appears";
}

}  // namespace
}  // namespace tarvel
