#include "DemoShopWindow.h"

#include <QDateTime>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"

namespace demo {

/// Receives the component's outcome and hands it to the window, if it still exists.
class DemoPaymentDelegate : public tarvel::TarvelPaymentStatusDelegate {
 public:
  explicit DemoPaymentDelegate(DemoShopWindow* window) : window_(window) {}

  void tarvelPayment(bool status, const tarvel::Dictionary& data) override {
    if (window_) emit window_->paymentFinished(status, data);
  }

 private:
  QPointer<DemoShopWindow> window_;
};

namespace {

struct Product {
  const char* name;
  const char* price;
};

constexpr Product kCart[] = {
    {"Cotton kurta", "799.00"},
    {"Steel water bottle", "349.00"},
    {"Masala chai, 250 g", "201.00"},
};
constexpr const char* kCartTotal = "1349.00";

}  // namespace

DemoShopWindow::DemoShopWindow(bool production, QWidget* parent)
    : QMainWindow(parent), delegate_(std::make_shared<DemoPaymentDelegate>(this)) {
  setWindowTitle("Demo Shop");
  resize(420, 760);
  setCentralWidget(makeShopPage());
  checkout_ = std::make_unique<tarvel::TarvelCheckout>(production, delegate_);
  connect(this, &DemoShopWindow::paymentFinished, this, &DemoShopWindow::showOutcome);
}

DemoShopWindow::~DemoShopWindow() = default;

QWidget* DemoShopWindow::makeShopPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* heading = new QLabel("<h2>Your cart</h2>");
  layout->addWidget(heading);
  for (const auto& product : kCart) {
    layout->addWidget(new QLabel(QString("%1 — ₹%2").arg(product.name, product.price)));
  }
  layout->addWidget(new QLabel(QString("<b>Total ₹%1</b>").arg(kCartTotal)));

  auto* form = new QFormLayout;
  phone_ = new QLineEdit("9876543210");
  form->addRow("Phone", phone_);
  layout->addLayout(form);

  auto addButton = [&](const QString& title, QString orderType, std::optional<QString> upiApp) {
    auto* button = new QPushButton(title);
    button->setObjectName(title);
    connect(button, &QPushButton::clicked, this,
            [this, orderType, upiApp] { checkout(makeOrder(orderType, upiApp)); });
    layout->addWidget(button);
  };
  addButton("Pay with a UPI app", "upi", std::nullopt);
  addButton("Cash on delivery", "cod", QString(""));
  addButton("Hosted checkout", "upi", QString("customweb"));
  addButton("Track a return (RTO)", "non-vx", std::nullopt);

  outcome_ = new QLabel("No payment yet.");
  outcome_->setWordWrap(true);
  outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(outcome_);
  layout->addStretch();
  return page;
}

tarvel::Dictionary DemoShopWindow::makeOrder(const QString& orderType,
                                             const std::optional<QString>& upiApp,
                                             const QString& moidPrefix) const {
  // Order identifiers must be new for every checkout: the platform keys orders by them.
  const auto stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
  const auto serial = QString::number(orderCounter_ + 1);
  tarvel::Dictionary order = {
      {"order_type", orderType.toStdString()},
      {"mid", "demo-merchant"},
      {"moid", (moidPrefix + "demo-" + stamp + "-" + serial).toStdString()},
      {"request_id", ("req-" + stamp + "-" + serial).toStdString()},
      {"tarvel_oid", ("oid-" + stamp + "-" + serial).toStdString()},
      {"phone", phone_->text().toStdString()},
      {"total", kCartTotal},
  };
  if (upiApp) order["upi_app"] = upiApp->toStdString();
  return order;
}

void DemoShopWindow::checkout(const tarvel::Dictionary& order) {
  ++orderCounter_;
  outcome_->setText("Checking out…");
  checkout_->openCart(order);
}

void DemoShopWindow::showOutcome(bool status, const tarvel::Dictionary& data) {
  outcome_->setText(
      QString("%1\n%2").arg(status ? "Payment succeeded" : "Payment not completed",
                            QString::fromStdString(data.dump(
                                2, ' ', false, tarvel::Dictionary::error_handler_t::replace))));
}

}  // namespace demo
