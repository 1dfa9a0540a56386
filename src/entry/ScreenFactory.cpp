#include "entry/ScreenFactory.h"

#include <mutex>    // mutex, lock_guard
#include <utility>  // move

#include "entry/UnavailableFlowScreen.h"
#include "tarvel/CustomeCheckout.h"

namespace tarvel {

namespace {

std::mutex& factoryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<ScreenFactory>& installedFactory() {
  static std::shared_ptr<ScreenFactory> factory;
  return factory;
}

}  // namespace

CheckoutScreen* ScreenFactory::makeUpiCheckout(const Dictionary& createData, bool production) {
  return new UnavailableFlowScreen("UPI payment", createData, production);
}

CheckoutScreen* ScreenFactory::makeVerifyOTP(const Dictionary& createData, bool production) {
  return new UnavailableFlowScreen("OTP confirmation", createData, production);
}

CheckoutScreen* ScreenFactory::makeWebCheckout(const Dictionary& createData, bool production) {
  return new CustomeCheckout(createData, production);
}

std::shared_ptr<ScreenFactory> ScreenFactory::shared() {
  std::lock_guard<std::mutex> lock(factoryMutex());
  if (!installedFactory()) installedFactory() = std::make_shared<ScreenFactory>();
  return installedFactory();
}

void ScreenFactory::setShared(std::shared_ptr<ScreenFactory> factory) {
  std::lock_guard<std::mutex> lock(factoryMutex());
  installedFactory() = std::move(factory);
}

}  // namespace tarvel
