#include "UpiAppWindow.h"

#include <thread>   // thread
#include <utility>  // move

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvel::sandbox {
namespace {

constexpr int kCloseDelayMs = 700;

QString styleFor(const std::string& scheme) {
  const QString accent = scheme == "phonepe" ? "#5F259F"
                         : scheme == "paytm" ? "#00B9F1"
                         : scheme == "bhim"  ? "#F47920"
                                             : "#1A73E8";
  return QString(R"(
    QWidget#upiApp { background: white; }
    QLabel#appName { background: %1; color: white; font-size: 15pt; font-weight: bold;
                     padding: 12px; }
    QLabel#amount { font-size: 22pt; font-weight: bold; }
    QLabel#payee, QLabel#status { color: #555; }
    QPushButton { border-radius: 8px; padding: 10px 18px; font-weight: bold; }
    QPushButton#pay { background: %1; color: white; border: none; }
    QPushButton#decline { background: white; color: %1; border: 1px solid %1; }
  )")
      .arg(accent);
}

}  // namespace

UpiAppWindow::UpiAppWindow(UpiLink link, UpiAppClient client, const std::string& appName)
    : link_(std::move(link)), client_(std::move(client)) {
  setObjectName("upiApp");
  setWindowTitle(QString::fromStdString(appName + " (sandbox)"));
  setStyleSheet(styleFor(link_.scheme));
  setAttribute(Qt::WA_StyledBackground);
  resize(320, 300);
  // In the middle of the screen, as a phone brings the app to the front.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 16);
  auto* name = new QLabel(QString::fromStdString(appName + "  ·  sandbox"));
  name->setObjectName("appName");
  layout->addWidget(name);
  auto* amount = new QLabel(QString::fromStdString("₹" + link_.amount));
  amount->setObjectName("amount");
  amount->setAlignment(Qt::AlignCenter);
  layout->addWidget(amount);
  auto* payee = new QLabel(QString::fromStdString(
      "to " + link_.payeeName + "\n" + link_.payeeAddress + "\norder " + link_.reference));
  payee->setObjectName("payee");
  payee->setAlignment(Qt::AlignCenter);
  layout->addWidget(payee);
  status_ = new QLabel;
  status_->setObjectName("status");
  status_->setAlignment(Qt::AlignCenter);
  layout->addWidget(status_);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(16, 0, 16, 0);
  declineButton_ = new QPushButton("Decline");
  declineButton_->setObjectName("decline");
  payButton_ = new QPushButton("Pay");
  payButton_->setObjectName("pay");
  buttons->addWidget(declineButton_);
  buttons->addWidget(payButton_);
  layout->addLayout(buttons);

  connect(payButton_, &QPushButton::clicked, this, &UpiAppWindow::pay);
  connect(declineButton_, &QPushButton::clicked, this,
          [this] { finish(false, "Declined: nothing paid"); });

  bool autoPay = false;
  const int delay = qEnvironmentVariableIntValue("TARVEL_UPI_APP_AUTO_PAY_MS", &autoPay);
  if (autoPay) QTimer::singleShot(delay, this, &UpiAppWindow::pay);
}

// The sandbox call waits for the network, so it runs beside the window's event loop.
void UpiAppWindow::pay() {
  payButton_->setEnabled(false);
  declineButton_->setEnabled(false);
  status_->setText("Paying…");
  QPointer<UpiAppWindow> self(this);
  std::thread([self, link = link_, client = client_] {
    const UpiAppClient::Result result = client.pay(link);
    QMetaObject::invokeMethod(qApp, [self, result] {
      if (self) self->finish(result.paid, QString::fromStdString(result.message));
    });
  }).detach();
}

void UpiAppWindow::finish(bool paid, const QString& message) {
  result_ = paid ? 0 : 1;
  status_->setText(message);
  QTimer::singleShot(kCloseDelayMs, this, &QWidget::close);
}

}  // namespace tarvel::sandbox
