#pragma once

#include <memory>   // shared_ptr
#include <utility>  // move

#include "entry/ScreenFactory.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VXAPIServiceProtocol.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::test {

/// The component's real UPI and OTP screens, with their platform calls going to `service`
/// (a fake, or the real service against a test's platform).
struct ServiceScreenFactory : detail::ScreenFactory {
  explicit ServiceScreenFactory(std::shared_ptr<VXAPIServiceProtocol> service)
      : service(std::move(service)) {}
  CheckoutScreen* makeUpiCheckout(const Dictionary& data, bool production) override {
    auto* screen = new UpiCheckoutViewController(data, production);
    screen->setAPIService(service);
    return screen;
  }
  CheckoutScreen* makeVerifyOTP(const Dictionary& data, bool production) override {
    return new VerifyOTPViewController(data, production, service);
  }
  std::shared_ptr<VXAPIServiceProtocol> service;
};

}  // namespace tarvel::test
