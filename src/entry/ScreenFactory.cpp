#include "entry/ScreenFactory.h"

#include <utility>  // move

#include "platform/ReplaceableInstance.h"
#include "screens/web/WebCheckoutFactory.h"
#include "screens/web/WebCheckoutModule.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::detail {

namespace {

ReplaceableInstance<ScreenFactory>& installedFactory() {
  static ReplaceableInstance<ScreenFactory> factory(
      [] { return std::make_shared<ScreenFactory>(); });
  return factory;
}

}  // namespace

CheckoutScreen* ScreenFactory::makeUpiCheckout(const Dictionary& createData, bool production) {
  return new UpiCheckoutViewController(createData, production);
}

CheckoutScreen* ScreenFactory::makeVerifyOTP(const Dictionary& createData, bool production) {
  return new VerifyOTPViewController(createData, production);
}

// The web checkout lives in its own module, loaded here on the first web order; without it
// there is no screen (`WebCheckoutModule::failure()` says why).
CheckoutScreen* ScreenFactory::makeWebCheckout(const Dictionary& createData, bool production) {
  WebCheckoutFactory* module = WebCheckoutModule::load();
  return module ? module->create(createData, production) : nullptr;
}

std::shared_ptr<ScreenFactory> ScreenFactory::shared() { return installedFactory().get(); }

void ScreenFactory::setShared(std::shared_ptr<ScreenFactory> factory) {
  installedFactory().set(std::move(factory));
}

}  // namespace tarvel::detail
