#pragma once

#include <string>  // string

#include <QString>

#include "tarvel/CheckoutScreen.h"
#include "tarvel/Dictionary.h"

class QPushButton;

namespace tarvel {

/// Stands in for a checkout screen this build does not contain. It says so, and its close
/// button reports status false with {"error": "<flow> is not available in this build."} and
/// closes the screen (pop, or dismissal when presented). Like the real screens it writes the
/// environment from its production flag when created.
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
  const Dictionary& createData() const;
  bool isProduction() const;

 public slots:
  void closeFlow();

 private:
  QString flowName_;
  Dictionary createData_;
  bool production_;
  bool closed_ = false;
  QPushButton* closeButton_ = nullptr;
};

}  // namespace tarvel
