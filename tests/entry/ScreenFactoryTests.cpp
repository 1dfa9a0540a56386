// The default screen factory: every screen is made for its order.
#include <memory>    // unique_ptr
#include <optional>  // optional, nullopt
#include <utility>   // pair
#include <vector>    // vector

#include <gtest/gtest.h>

#include "entry/ScreenFactory.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

using detail::ScreenFactory;

// Each screen keeps the order unchanged, takes its payment type from "order_type" and writes
// the environment from its production flag.
TEST(ScreenFactoryTests, EachScreenKeepsItsOrderAndPaymentTypeAndWritesTheEnvironment) {
  using Make = CheckoutScreen* (ScreenFactory::*)(const Dictionary&, bool);
  const std::vector<std::pair<const char*, Make>> makers = {
      {"upi", &ScreenFactory::makeUpiCheckout},
      {"otp", &ScreenFactory::makeVerifyOTP},
      {"web", &ScreenFactory::makeWebCheckout}};
  struct Case {
    Dictionary order;
    std::optional<PaymentType> paymentType;
  };
  const std::vector<Case> cases = {
      {{{"order_type", "cod"}, {"upi_app", ""}, {"moid", "MO-1"}}, PaymentType::cod()},
      {{{"order_type", "upi"}, {"mid", "M-1"}}, PaymentType::upi("upi")},
      {{{"upi_app", "customweb"}}, std::nullopt}};
  ScreenFactory factory;
  bool production = false;
  for (const auto& [kind, make] : makers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind) + " " + c.order.dump());
      production = !production;
      std::unique_ptr<CheckoutScreen> screen((factory.*make)(c.order, production));
      ASSERT_NE(screen, nullptr);
      EXPECT_EQ(screen->createData(), c.order);
      EXPECT_TRUE(screen->paymentType() == c.paymentType);
      EXPECT_EQ(NetworkManager::environment(),
                production ? Environment::production : Environment::staging);
    }
  }
  NetworkManager::setEnvironment(Environment::staging);
}

}  // namespace
}  // namespace tarvel
