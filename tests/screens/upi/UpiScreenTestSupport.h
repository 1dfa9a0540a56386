#pragma once

#include <chrono>  // milliseconds
#include <set>     // set
#include <string>  // string

#include <QPointer>
#include <QPushButton>
#include <QSize>
#include <QToolButton>

#include "../ScreenTestFixture.h"
#include "InstalledSchemesRegistry.h"
#include "platform/Application.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/UpiCheckoutViewController.h"

namespace tarvel::test {

using detail::Alert;
using detail::Application;

/// A verify answer as the platform gives it; tests change single keys.
inline Dictionary verifyAnswer() {
  return {{"tarvel_oid", "tvl_7f3a"},
          {"auth_token", "tok_51c9"},
          {"uapp", {"phonepe", "gpay", "paytm"}},
          {"u_link", "upi://pay?pa=shop%40upi&pn=Shop&am=499.00&tr=tvl_7f3a&cu=INR"},
          {"qrCode", "data:image/png;base64,"},
          {"total", "499.00"},
          {"msg", {{"heading", "Success!"}}},
          {"request_id", "req_1"},
          {"order_type", "upi"},
          {"mid", "M-1"}};
}

/// The UPI screen in a navigation window, with an injected registry of installed apps.
class UpiScreenTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    Application::setUrlSchemeRegistry(registry_);
    Application::shared()->applyApplicationState(Qt::ApplicationActive);
  }
  void TearDown() override {
    ScreenTest::TearDown();
    Application::setUrlSchemeRegistry(nullptr);
  }

  /// Pushes a screen for `order` onto a navigation window of `size`, which loads it and starts
  /// its verification.
  UpiCheckoutViewController* open(const Dictionary& order = {{"order_type", "upi"}},
                                  QSize size = {375, 667}) {
    showWindow(size);
    auto* screen = new UpiCheckoutViewController(order, false);
    screen->setAPIService(service_);
    screen->setCheckoutStatusDelegate(delegate_);
    window_->pushViewController(screen, false);
    screen_ = screen;
    settle();
    return screen;
  }
  /// Closes the window and opens afresh (a table row) with `installed` apps.
  UpiCheckoutViewController* reopen(const std::set<std::string>& installed,
                                    const Dictionary& order = {{"order_type", "upi"}},
                                    QSize size = {375, 667}) {
    closeAll();
    registry_ = std::make_shared<InstalledSchemesRegistry>(installed);
    Application::setUrlSchemeRegistry(registry_);
    return open(order, size);
  }

  void answerVerify(const Dictionary& data = verifyAnswer()) {
    complete("verifyPaymentData", data);
  }
  /// Answers status request `n` (1-based) with `status`.
  void answerStatus(std::size_t n, const std::string& status) {
    complete("checkPaymentStatus", Dictionary{{"payment_status", status}, {"poll", n}},
             std::nullopt, n - 1);
  }
  void advance(std::chrono::milliseconds time) {
    clock_->advance(time);
    settle();
  }
  void setActive(bool active) {
    Application::shared()->applyApplicationState(active ? Qt::ApplicationActive
                                                        : Qt::ApplicationInactive);
    settle();
  }
  /// Confirms an open of tile `index` (the registry launches at once).
  void tapTile(int index) {
    screen_->paymentOptionViews().at(index)->buttonUPIOption()->click();
    settle();
  }

  std::shared_ptr<InstalledSchemesRegistry> registry_ =
      std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "paytm"});
  QPointer<UpiCheckoutViewController> screen_;
};

}  // namespace tarvel::test
