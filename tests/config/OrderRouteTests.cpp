#include <optional>  // optional, nullopt
#include <vector>    // vector

#include <gtest/gtest.h>

#include "config/OrderRoute.h"

namespace tarvel {
namespace {

using detail::OrderRoute;

TEST(OrderRouteTests, EveryRowOfTheRoutingTable) {
  const std::nullopt_t missing = std::nullopt;  // the key is left out of the order
  struct Row {
    std::optional<Dictionary> orderType;
    std::optional<Dictionary> upiApp;
    OrderRoute route;
  };
  const std::vector<Row> rows = {
      {missing, "customweb", OrderRoute::none},
      {Dictionary(12), "", OrderRoute::none},
      {Dictionary(), "customweb", OrderRoute::none},
      {"non-vx", "customweb", OrderRoute::rtoTracking},  // "non-vx" is tested first
      {"non-vx", "", OrderRoute::rtoTracking},
      {"non-vx", missing, OrderRoute::rtoTracking},
      {"upi", "customweb", OrderRoute::webCheckout},
      {"upi", "", OrderRoute::upiCheckout},
      {"upi", "phonepe", OrderRoute::upiCheckout},
      {"upi", missing, OrderRoute::upiCheckout},
      {"upi", Dictionary(5), OrderRoute::upiCheckout},
      {"cod", "customweb", OrderRoute::webCheckout},  // "customweb" before ""
      {"cod", "", OrderRoute::verifyOtpModal},
      {"cod", "paytm", OrderRoute::verifyOtpPushed},
      {"cod", missing, OrderRoute::verifyOtpPushed},
      {"cod", Dictionary(false), OrderRoute::verifyOtpPushed},
      {"UPI", "", OrderRoute::verifyOtpModal},  // case matters
      {"upi ", "phonepe", OrderRoute::verifyOtpPushed},
      {"", "CustomWeb", OrderRoute::verifyOtpPushed},
      {"Non-VX", missing, OrderRoute::verifyOtpPushed},
  };
  for (const auto& row : rows) {
    Dictionary order = {{"mid", "m"}, {"moid", "o"}};
    if (row.orderType) order["order_type"] = *row.orderType;
    if (row.upiApp) order["upi_app"] = *row.upiApp;
    SCOPED_TRACE(order.dump());
    EXPECT_EQ(detail::routeOrder(order), row.route);
  }
}

}  // namespace
}  // namespace tarvel
