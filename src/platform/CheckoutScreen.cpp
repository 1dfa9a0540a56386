#include "tarvel/CheckoutScreen.h"

#include <utility>  // move

#include "platform/JournalTicket.h"
#include "platform/LoggingCategory.h"
#include "platform/ShopperLanguage.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {

CheckoutScreen::CheckoutScreen(const Dictionary& createData, bool production, QWidget* parent)
    : ViewController(parent),
      createData_(createData),
      paymentType_(PaymentType::fromOrder(createData)),
      journalTicket_(std::make_shared<detail::JournalTicket>()) {
  detail::routeLogThroughQt();
  detail::ShopperLanguage::apply();  // before the screen builds its texts
  NetworkManager::setEnvironment(environmentFor(production));
}

CheckoutScreen::~CheckoutScreen() = default;

const Dictionary& CheckoutScreen::createData() const { return createData_; }

std::optional<PaymentType> CheckoutScreen::paymentType() const { return paymentType_; }

void CheckoutScreen::setPaymentType(std::optional<PaymentType> paymentType) {
  paymentType_ = std::move(paymentType);
}

std::shared_ptr<CheckoutStatusDelegate> CheckoutScreen::checkoutStatusDelegate() const {
  return checkoutStatusDelegate_;
}

void CheckoutScreen::setCheckoutStatusDelegate(std::shared_ptr<CheckoutStatusDelegate> delegate) {
  checkoutStatusDelegate_ = std::move(delegate);
}

std::shared_ptr<detail::JournalTicket> CheckoutScreen::journalTicket() const {
  return journalTicket_;
}

}  // namespace tarvel
