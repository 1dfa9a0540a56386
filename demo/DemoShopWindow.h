#pragma once

#include <QMainWindow>
#include <memory>    // shared_ptr, unique_ptr
#include <optional>  // optional

#include "tarvel/Dictionary.h"

class QLabel;
class QLineEdit;

namespace tarvel {
class TarvelCheckout;
}

namespace demo {

class DemoPaymentDelegate;

/// A small shop that sells three things and checks out through Tarvel Checkout: the way a
/// merchant's application would integrate the component.
class DemoShopWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit DemoShopWindow(bool production, QWidget* parent = nullptr);
  ~DemoShopWindow() override;

  /// The order the shop would send for `orderType` and `upiApp` (nothing = key left out).
  tarvel::Dictionary makeOrder(const QString& orderType, const std::optional<QString>& upiApp,
                               const QString& moidPrefix = {}) const;

  /// Starts one checkout with `order`.
  void checkout(const tarvel::Dictionary& order);

 signals:
  /// The component reported the outcome of a checkout.
  void paymentFinished(bool status, const tarvel::Dictionary& data);

 private:
  void showOutcome(bool status, const tarvel::Dictionary& data);
  QWidget* makeShopPage();

  std::shared_ptr<DemoPaymentDelegate> delegate_;
  std::unique_ptr<tarvel::TarvelCheckout> checkout_;
  QLineEdit* phone_ = nullptr;
  QLabel* outcome_ = nullptr;
  int orderCounter_ = 0;
};

}  // namespace demo
