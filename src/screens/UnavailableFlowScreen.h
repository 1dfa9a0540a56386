#pragma once

#include <string>  // string

#include <QString>

#include "tarvel/CheckoutScreen.h"
#include "tarvel/Dictionary.h"

class QPushButton;

namespace tarvel::detail {

/// Stands in for a checkout screen this build does not contain. It says so, and its close
/// button reports status false with {"error": "<flow> is not available in this build."} and
/// closes the screen (dismissal when presented, else removal from its navigation stack). The
/// entry object's screen factory makes it in place of the UPI payment and OTP screens.
class UnavailableFlowScreen : public CheckoutScreen {
  Q_OBJECT

 public:
  UnavailableFlowScreen(const QString& flowName, const Dictionary& createData, bool production,
                        QWidget* parent = nullptr);
  ~UnavailableFlowScreen() override;

  void viewDidLoad() override;

  /// The error text the screen reports.
  std::string errorText() const;
  QPushButton* closeButton() const;

 public slots:
  void closeFlow();

 private:
  QString flowName_;
  bool closed_ = false;
  QPushButton* closeButton_ = nullptr;
};

}  // namespace tarvel::detail
