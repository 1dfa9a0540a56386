// Runs one flow through the installed component and exits 0 once the host heard the expected
// outcome, 1 otherwise, when none came within a minute, or when the library is not the version
// of the headers. It includes the one umbrella header, which must reach every public class.
// The mode is the first argument:
//   (none)   the RTO flow against the sandbox: a successful outcome
//   web      the web checkout module loads and starts its engine
//   no-web   a package without the module: a web order ends with an error naming the module
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

#include <QApplication>
#include <QTimer>

#include "tarvel/Tarvel.h"

namespace {

static_assert(std::is_base_of_v<tarvel::VXAPIServiceProtocol, tarvel::APIService>);
static_assert(std::is_base_of_v<tarvel::CheckoutScreen, tarvel::CustomeCheckout>);
static_assert(std::is_base_of_v<tarvel::CheckoutScreen, tarvel::VerifyOTPViewController>);

struct Listener : tarvel::TarvelPaymentStatusDelegate {
  explicit Listener(bool expectModuleMissing) : expectModuleMissing(expectModuleMissing) {}
  void tarvelPayment(bool status, const tarvel::Dictionary& data) override {
    std::printf("installed host: outcome %s %s\n", status ? "true" : "false", data.dump().c_str());
    const bool moduleMissing =
        !status && data.value("error", "").find("web checkout module") != std::string::npos;
    QApplication::exit((expectModuleMissing ? moduleMissing : status) ? 0 : 1);
  }
  bool expectModuleMissing;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  std::printf("installed host: Tarvel Checkout %s, headers %s\n", tarvel::version(),
              TARVEL_CHECKOUT_VERSION_STRING);
  if (std::string(tarvel::version()) != TARVEL_CHECKOUT_VERSION_STRING) return 1;
  auto checkout =
      std::make_shared<tarvel::TarvelCheckout>(false, std::make_shared<Listener>(mode == "no-web"));
  if (mode == "web") {
    tarvel::TarvelCheckout::warmUpWebCheckout([] {
      std::printf("installed host: web engine ready\n");
      QApplication::exit(0);
    });
  } else if (mode == "no-web") {
    checkout->openCart({{"order_type", "upi"}, {"upi_app", "customweb"}, {"mid", "m1"}});
  } else {
    checkout->openCart({{"order_type", "non-vx"},
                        {"request_id", "installed-host-request"},
                        {"moid", "installed-host-order"}});
  }
  QTimer::singleShot(60000, [] {
    std::printf("installed host: no outcome within a minute\n");
    QApplication::exit(1);
  });
  return app.exec();
}
