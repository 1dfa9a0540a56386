#include "WebCheckoutPlugin.h"

#include <utility>  // move

#include "WebEngineWarmUp.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/Version.h"

namespace tarvel::detail {

// The module's own copy of the version macro: `tarvel::version()` would answer the host's.
const char* WebCheckoutPlugin::version() const { return TARVEL_CHECKOUT_VERSION_STRING; }

CheckoutScreen* WebCheckoutPlugin::create(const Dictionary& createData, bool production) {
  return new CustomeCheckout(createData, production);
}

void WebCheckoutPlugin::warmUp(std::function<void()> ready) {
  WebEngineWarmUp::start(std::move(ready));
}

}  // namespace tarvel::detail
