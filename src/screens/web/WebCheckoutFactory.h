#pragma once

#include <functional>  // function

#include <QtPlugin>  // Q_DECLARE_INTERFACE

#include "tarvel/Dictionary.h"

namespace tarvel {
class CheckoutScreen;
}  // namespace tarvel

namespace tarvel::detail {

/// What the web checkout module offers the entry object: its screen and its engine warm-up.
/// The module is a Qt plugin loaded on the first web order (`WebCheckoutModule`), so that a host
/// that never opens a web checkout never maps Qt WebEngine. Main thread only.
class WebCheckoutFactory {
 public:
  virtual ~WebCheckoutFactory() = default;

  /// The version of the component the module was built with ("major.minor.patch"); a module of
  /// another version is not used.
  virtual const char* version() const = 0;
  /// A new `CustomeCheckout` for the order.
  virtual CheckoutScreen* create(const Dictionary& createData, bool production) = 0;
  /// Starts the web engine ahead of the first checkout (`detail::WebEngineWarmUp`).
  virtual void warmUp(std::function<void()> ready) = 0;
};

}  // namespace tarvel::detail

#define TARVEL_WEB_CHECKOUT_FACTORY_IID "tarvel.checkout.WebCheckoutFactory/1"
Q_DECLARE_INTERFACE(tarvel::detail::WebCheckoutFactory, TARVEL_WEB_CHECKOUT_FACTORY_IID)
