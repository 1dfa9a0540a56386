// One checkout screen for a screen reader on the accessibility bus (a11y_screens.py drives
// it): "otp" or "upi" in a navigation window, with a scripted platform that answers at once.
// The OTP "4821" is the right one. When the flow ends it prints "outcome <status> <data>" and
// quits.
#include <cstdio>  // printf, fflush
#include <memory>  // make_shared
#include <set>     // set
#include <string>  // string

#include <QApplication>
#include <QTimer>

#include "InstalledSchemesRegistry.h"
#include "platform/Application.h"
#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/NavigationController.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VXAPIServiceProtocol.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel {
namespace {

// Answers every request on the next turn of the event loop, as the platform would.
class ScriptedService final : public VXAPIServiceProtocol {
#define TARVEL_SCRIPTED_CALL(name)                                         \
  void name(const Dictionary& params, APICompletion complete) override {   \
    QTimer::singleShot(0, qApp, [complete = std::move(complete), params] { \
      complete(true, answer(#name, params), std::nullopt);                 \
    });                                                                    \
  }

 public:
  TARVEL_SCRIPTED_CALL(verifyPaymentData)
  TARVEL_SCRIPTED_CALL(checkPaymentStatus)
  TARVEL_SCRIPTED_CALL(sendOtp)
  TARVEL_SCRIPTED_CALL(reSendOtp)
  TARVEL_SCRIPTED_CALL(verifyOtp)
  TARVEL_SCRIPTED_CALL(completeOrder)
  TARVEL_SCRIPTED_CALL(appAnalytics)
#undef TARVEL_SCRIPTED_CALL

 private:
  static Dictionary answer(const std::string& operation, const Dictionary& params) {
    if (operation == "verifyPaymentData") {
      return {{"tarvel_oid", "tvl_7f3a"},
              {"auth_token", "tok_51c9"},
              {"uapp", {"phonepe", "paytm"}},
              {"u_link", "upi://pay?pa=shop%40upi&pn=Shop&am=499.00&tr=tvl_7f3a&cu=INR"},
              {"total", "499.00"},
              {"msg", {{"heading", "Success!"}}},
              {"otp_verified", nullptr},
              {"merchant_user_verified", false},
              {"order_type", params.value("order_type", "")}};
    }
    if (operation == "checkPaymentStatus") return {{"payment_status", "PAID"}};
    if (operation == "sendOtp" || operation == "reSendOtp") return {{"message", "OTP sent"}};
    if (operation != "verifyOtp") return Dictionary::object();
    const bool right = params.value("otp", "") == "4821";
    return {{"statusCode", right ? 200 : 400},
            {"statusMessage", right ? "OTP verified" : "Invalid OTP"}};
  }
};

struct PrintingDelegate : CheckoutStatusDelegate {
  void checkOutCompleted(bool status, const Dictionary& data) override {
    std::printf("outcome %s %s\n", status ? "true" : "false", data.dump().c_str());
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QApplication::quit);
  }
};

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
  using namespace tarvel;
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kirana Mart");
  const bool otp = argc > 1 && std::string(argv[1]) == "otp";
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  detail::Application::setUrlSchemeRegistry(
      std::make_shared<test::InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "paytm"}));
  auto service = std::make_shared<ScriptedService>();
  auto delegate = std::make_shared<PrintingDelegate>();

  auto* window = new NavigationController(new ViewController);
  window->resize(375, 667);
  window->show();
  window->activateWindow();  // no window manager under Xvfb: the window takes the keyboard
  ViewController* screen = nullptr;
  if (otp) {
    auto* otpScreen = new VerifyOTPViewController(
        {{"order_type", "cod"}, {"upi_app", "paytm"}, {"phone", "9876500042"}, {"total", "1499"}},
        false, service);
    otpScreen->setCheckoutStatusDelegate(delegate);
    screen = otpScreen;
  } else {
    auto* upiScreen = new UpiCheckoutViewController({{"order_type", "upi"}}, false);
    upiScreen->setAPIService(service);
    upiScreen->setCheckoutStatusDelegate(delegate);
    screen = upiScreen;
  }
  window->pushViewController(screen, false);
  std::printf("shown\n");
  std::fflush(stdout);
  const int result = QApplication::exec();
  delete window;
  return result;
}
