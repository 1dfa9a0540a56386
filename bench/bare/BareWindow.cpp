// The floor of the memory figures: a Qt Widgets program that shows one window, paints it once
// and exits. Built three times: with Qt Widgets alone; also linked with Qt WebEngine (mapped at
// start, never started), the price of the link alone; and as the smallest host of the component,
// which after the first paint pays one UPI QR order against the sandbox and exits on its outcome,
// so the difference between the two is what a UPI flow costs the host and nothing else.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#ifdef TARVEL_BARE_WINDOW_PAYS
#include <cstdio>  // fprintf

#include "tarvel/TarvelCheckout.h"
#endif

namespace {

#ifdef TARVEL_BARE_WINDOW_PAYS
// Quits with the outcome: 0 when paid. The sandbox's "paid" scenario pays at the first poll.
class QuitOnOutcome : public tarvel::TarvelPaymentStatusDelegate {
 public:
  void tarvelPayment(bool status, const tarvel::Dictionary& data) override {
    if (!status) std::fprintf(stderr, "not paid: %s\n", data.dump().c_str());
    QCoreApplication::exit(status ? 0 : 1);
  }
};

void payOneQrOrder() {
  static auto checkout =
      std::make_shared<tarvel::TarvelCheckout>(false, std::make_shared<QuitOnOutcome>());
  checkout->openCart({{"order_type", "upi"},
                      {"mid", "bench-merchant"},
                      {"moid", "bench-qr"},
                      {"request_id", "bench-request"},
                      {"tarvel_oid", "bench-oid"},
                      {"phone", "9876543210"},
                      {"total", "1349.00"},
                      {"sandbox_scenario", "no-uapp,paid"}});
}
#endif

// Quits the application after its first paint (the paying host: opens its order instead).
class Window : public QLabel {
 public:
  using QLabel::QLabel;
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    if (painted_) return;
    painted_ = true;
#ifdef TARVEL_BARE_WINDOW_PAYS
    QTimer::singleShot(0, qApp, &payOneQrOrder);
#else
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
#endif
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Window window(QStringLiteral("One window"));
  window.resize(375, 667);
  window.show();
  QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(1); });
  return app.exec();
}
