#include "tarvel/CheckoutScreen.h"

#include <utility>  // move

namespace tarvel {

CheckoutScreen::CheckoutScreen(QWidget* parent) : ViewController(parent) {}

CheckoutScreen::~CheckoutScreen() = default;

std::shared_ptr<CheckoutStatusDelegate> CheckoutScreen::checkoutStatusDelegate() const {
  return checkoutStatusDelegate_;
}

void CheckoutScreen::setCheckoutStatusDelegate(std::shared_ptr<CheckoutStatusDelegate> delegate) {
  checkoutStatusDelegate_ = std::move(delegate);
}

}  // namespace tarvel
