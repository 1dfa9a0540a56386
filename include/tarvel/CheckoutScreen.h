#pragma once

#include <memory>  // shared_ptr

#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/ViewController.h"

namespace tarvel {

/// The base of the component's checkout screens (UPI payment, OTP confirmation, web checkout).
///
/// A screen reports the end of its flow once through `checkoutStatusDelegate()`, on the main
/// thread, and then closes itself (pop or dismiss). The report must come before the screen is
/// destroyed: report first and close afterwards, or close and report in the same handler.
class CheckoutScreen : public ViewController {
  Q_OBJECT

 public:
  explicit CheckoutScreen(QWidget* parent = nullptr);
  ~CheckoutScreen() override;

  /// The receiver of the screen's outcome (the entry object sets it), or nullptr.
  std::shared_ptr<CheckoutStatusDelegate> checkoutStatusDelegate() const;
  void setCheckoutStatusDelegate(std::shared_ptr<CheckoutStatusDelegate> delegate);

 private:
  std::shared_ptr<CheckoutStatusDelegate> checkoutStatusDelegate_;
};

}  // namespace tarvel
