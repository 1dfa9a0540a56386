#include <string>  // string

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
