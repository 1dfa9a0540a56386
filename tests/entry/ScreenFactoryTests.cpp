// The default screen factory: every screen is made for its order.
#include <memory>    // unique_ptr
#include <optional>  // optional, nullopt

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
  struct Case {
    Make make;
    Dictionary order;
    std::optional<PaymentType> paymentType;
    bool production;
  };
  const Case cases[] = {
      {&ScreenFactory::makeVerifyOTP,
       {{"order_type", "cod"}, {"upi_app", ""}, {"moid", "MO-1"}},
       PaymentType::cod(),
       true},
      {&ScreenFactory::makeUpiCheckout,
       {{"order_type", "upi"}, {"mid", "M-1"}},
       PaymentType::upi("upi"),
       false},
      {&ScreenFactory::makeWebCheckout, {{"upi_app", "customweb"}}, std::nullopt, true}};
  ScreenFactory factory;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order.dump());
    std::unique_ptr<CheckoutScreen> screen((factory.*c.make)(c.order, c.production));
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->createData(), c.order);
    EXPECT_TRUE(screen->paymentType() == c.paymentType);
    EXPECT_EQ(NetworkManager::environment(),
              c.production ? Environment::production : Environment::staging);
  }
  NetworkManager::setEnvironment(Environment::staging);
}

}  // namespace
}  // namespace tarvel
