#pragma once

#include <QWidget>

#include "UpiAppClient.h"
#include "UpiLink.h"

class QLabel;
class QPushButton;

namespace tarvel::sandbox {

/// The simulated UPI app's own small window: who is paid how much, with Pay and Decline. It
/// takes the focus from the shop, as a real payment app does, and closes when the shopper has
/// decided; the process then exits with 0 for a recorded payment and 1 otherwise.
///
/// TARVEL_UPI_APP_AUTO_PAY_MS, when set, presses Pay by itself after that many milliseconds
/// (for scripted runs under a display).
class UpiAppWindow : public QWidget {
  Q_OBJECT

 public:
  UpiAppWindow(UpiLink link, UpiAppClient client, const std::string& appName);

  /// The exit code once the window has closed.
  int result() const { return result_; }

 private:
  void pay();
  void finish(bool paid, const QString& message);

  UpiLink link_;
  UpiAppClient client_;
  QLabel* status_ = nullptr;
  QPushButton* payButton_ = nullptr;
  QPushButton* declineButton_ = nullptr;
  int result_ = 1;
};

}  // namespace tarvel::sandbox
