// Runs one flow through the installed component and exits 0 once the host heard a successful
// outcome, 1 on a failed one or when none came within a minute.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QTimer>

#include "tarvel/Tarvel.h"

namespace {

struct Listener : tarvel::TarvelPaymentStatusDelegate {
  void tarvelPayment(bool status, const tarvel::Dictionary& data) override {
    std::printf("installed host: outcome %s %s\n", status ? "true" : "false", data.dump().c_str());
    QApplication::exit(status ? 0 : 1);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::printf("installed host: Tarvel Checkout %s, headers %s\n", tarvel::version(),
              TARVEL_CHECKOUT_VERSION_STRING);
  auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, std::make_shared<Listener>());
  checkout->openCart({{"order_type", "non-vx"},
                      {"request_id", "installed-host-request"},
                      {"moid", "installed-host-order"}});
  QTimer::singleShot(60000, [] {
    std::printf("installed host: no outcome within a minute\n");
    QApplication::exit(1);
  });
  return app.exec();
}
