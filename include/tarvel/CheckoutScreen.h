#pragma once

#include <memory>    // shared_ptr
#include <optional>  // optional

#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"
#include "tarvel/PaymentType.h"
#include "tarvel/ViewController.h"

namespace tarvel {

namespace detail {
class JournalTicket;
}

/// The base of the component's checkout screens (UPI payment, OTP confirmation, web checkout).
///
/// A screen is made for one order: construction writes the process-wide environment
/// (`NetworkManager`) from the production flag, as the entry object does (the last one made
/// wins for all later requests), keeps the order and takes the screen's payment type from its
/// "order_type" (`PaymentType::fromOrder`: upi("upi"), cod, or nothing).
///
/// A screen reports the end of its flow once through `checkoutStatusDelegate()`, on the main
/// thread, and then closes itself (pop or dismiss). The report must come before the screen is
/// destroyed: report first and close afterwards, or close and report in the same handler.
class TARVEL_CHECKOUT_EXPORT CheckoutScreen : public ViewController {
  Q_OBJECT

 public:
  /// A screen for the order `createData`; sets the process-wide environment from `production`.
  CheckoutScreen(const Dictionary& createData, bool production, QWidget* parent = nullptr);
  ~CheckoutScreen() override;

  /// The order the screen was made for, unchanged.
  const Dictionary& createData() const;

  /// How the order is paid; the UPI screen switches the text `upi` carries between its
  /// sub-modes ("upi", "qrcode").
  std::optional<PaymentType> paymentType() const;
  /// Replaces the payment type (the UPI screen's switch between its sub-modes).
  void setPaymentType(std::optional<PaymentType> paymentType);

  /// The receiver of the screen's outcome (the entry object sets it), or nullptr.
  std::shared_ptr<CheckoutStatusDelegate> checkoutStatusDelegate() const;
  /// Sets the receiver of the screen's outcome; nullptr drops it.
  void setCheckoutStatusDelegate(std::shared_ptr<CheckoutStatusDelegate> delegate);

  /// The flow's entry in the journal of unfinished checkouts: the screen records it once the
  /// shopper can pay; the entry object closes it once the outcome reached the host.
  std::shared_ptr<detail::JournalTicket> journalTicket() const;

 private:
  Dictionary createData_;
  std::optional<PaymentType> paymentType_;
  std::shared_ptr<CheckoutStatusDelegate> checkoutStatusDelegate_;
  std::shared_ptr<detail::JournalTicket> journalTicket_;
};

}  // namespace tarvel
