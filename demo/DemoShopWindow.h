#pragma once

#include <map>     // map
#include <memory>  // shared_ptr

#include <QMainWindow>
#include <QString>

#include "tarvel/Dictionary.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace tarvel {
class TarvelCheckout;
}

namespace demo {

struct OrderKind;
class SandboxControl;

/// What the shop heard of one checkout: every outcome the component reported for it.
struct FlowRecord {
  int serial = 0;
  QString kindId;
  QString title;
  int outcomes = 0;
  bool lastStatus = false;
  tarvel::Dictionary lastData;
};

/// A small shop that sells three things and checks out through Tarvel Checkout, the way a
/// merchant's application integrates the component: one `TarvelCheckout` per checkout with
/// its own delegate, `openCart` on Pay, and the outcome shown as the host receives it, with
/// the count of outcomes per checkout so that a duplicate or a missing one shows at once.
class DemoShopWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit DemoShopWindow(bool production, QWidget* parent = nullptr);
  ~DemoShopWindow() override;

  /// Chooses the way to pay (an `OrderKind` id) and the sandbox scenario ("" for none), as the
  /// shopper would on the page.
  void selectKind(const QString& kindId);
  void selectScenario(const QString& scenario);
  /// The Pay button; a click starts one checkout with the chosen kind and scenario.
  QPushButton* payButton() const;

  /// The checkouts started so far, by serial (1, 2, ...).
  const std::map<int, FlowRecord>& flows() const;
  /// The order sent for a checkout.
  const tarvel::Dictionary& orderOf(int serial) const;

  /// Where the shop reads the OTP "SMS" the sandbox sends for cash-on-delivery checkouts, shown
  /// as a notification over the window (nothing without a sandbox).
  void setSandbox(SandboxControl* sandbox);

  /// Lists, marked as recovered, the outcomes of checkouts that an earlier run of the shop
  /// left unfinished (it ended while the shopper paid). Called once at start-up.
  void recoverUnfinishedCheckouts();

 signals:
  /// A checkout started: `serial` numbers it.
  void checkoutStarted(int serial);
  /// The component reported an outcome of checkout `serial`.
  void outcomeReceived(int serial, bool status, const tarvel::Dictionary& data);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void pay();
  void recordOutcome(int serial, bool status, const tarvel::Dictionary& data);
  void refreshOutcomes();
  void arrangeColumns();
  void notifyOtpWhenSent(const tarvel::Dictionary& order, int attemptsLeft);
  void showNotification(const QString& text);

  QWidget* makeHeader();
  QWidget* makeCartCard();
  QWidget* makePaymentCard();
  QWidget* makeOutcomesCard();
  QWidget* makeKindOption(const OrderKind& kind);

  bool production_;
  std::map<int, std::shared_ptr<tarvel::TarvelCheckout>> checkouts_;
  std::shared_ptr<tarvel::TarvelCheckout> recovery_;
  std::map<int, FlowRecord> flows_;
  std::map<int, tarvel::Dictionary> orders_;
  int nextSerial_ = 1;
  bool wide_ = false;

  QScrollArea* scroll_ = nullptr;
  QGridLayout* columns_ = nullptr;
  QWidget* cartCard_ = nullptr;
  QWidget* paymentCard_ = nullptr;
  QWidget* outcomesCard_ = nullptr;
  QButtonGroup* kinds_ = nullptr;
  QComboBox* scenario_ = nullptr;
  QLineEdit* phone_ = nullptr;
  QPushButton* payButton_ = nullptr;
  QVBoxLayout* outcomeList_ = nullptr;
  QLabel* noOutcomes_ = nullptr;
  QLabel* notification_ = nullptr;
  SandboxControl* sandbox_ = nullptr;
};

}  // namespace demo
