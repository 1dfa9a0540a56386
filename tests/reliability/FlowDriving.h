#pragma once

#include <chrono>   // milliseconds, seconds
#include <memory>   // shared_ptr
#include <mutex>    // mutex, lock_guard
#include <string>   // string, to_string
#include <utility>  // pair, move
#include <vector>   // vector

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include "CountingService.h"
#include "LoopbackAPIService.h"
#include "QtWait.h"
#include "ServiceScreenFactory.h"
#include "entry/ScreenFactory.h"
#include "platform/KeyWindow.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/NavigationController.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::test {

using namespace std::chrono_literals;

// Long enough for any loopback answer on a loaded machine, short enough to keep the suite quick.
inline constexpr std::chrono::milliseconds kClientTimeout = 1500ms;
// For answers that are meant to come too late: the flow's earlier steps may time out too on a
// loaded machine, which only moves the fault to an earlier step.
inline constexpr std::chrono::milliseconds kSlowClientTimeout = 400ms;

enum class Flow { upiTiles, upiQr, codOtp, codOtpSheet, web, rto };

struct FlowInfo {
  Flow flow;
  const char* name;
  const char* faultedPath;
};

inline const std::vector<FlowInfo>& allFlows() {
  static const std::vector<FlowInfo> flows = {
      {Flow::upiTiles, "upi tiles", "/v1/order/verify"},
      {Flow::upiQr, "upi QR polling", "/v1/payment/capture"},
      {Flow::codOtp, "cod OTP", "/v1/user/verify-otp"},
      {Flow::codOtpSheet, "cod OTP as sheet", "/v1/user/verify-otp"},
      {Flow::web, "web checkout", "/custom.html"},
      {Flow::rto, "non-vx RTO", "/v2/rto/track"},
  };
  return flows;
}

inline Dictionary orderFor(Flow flow) {
  switch (flow) {
    case Flow::upiTiles:
    case Flow::upiQr:
      return {{"order_type", "upi"},     {"mid", "M-fault"},      {"moid", "MO-fault"},
              {"request_id", "R-fault"}, {"phone", "9000000001"}, {"total", "499.00"}};
    case Flow::codOtpSheet: {
      Dictionary order = orderFor(Flow::codOtp);
      order["upi_app"] = "";  // presented over the host's screen
      return order;
    }
    case Flow::codOtp:
      return {{"order_type", "cod"},     {"upi_app", "paytm"},      {"mid", "M-fault"},
              {"moid", "MO-fault"},      {"request_id", "R-fault"}, {"phone", "9000000001"},
              {"tarvel_oid", "T-fault"}, {"total", "1499"}};
    case Flow::web:
      return {{"order_type", "upi"}, {"upi_app", "customweb"},  {"mid", "M-fault"},
              {"moid", "MO-fault"},  {"request_id", "R-fault"}, {"tarvel_oid", "T-fault"}};
    case Flow::rto:
      return {{"order_type", "non-vx"}, {"request_id", "R-fault"}, {"moid", "MO-fault"}};
  }
  return {};
}

struct RecordingHost : TarvelPaymentStatusDelegate {
  void tarvelPayment(bool status, const Dictionary& data) override {
    std::lock_guard<std::mutex> lock(mutex);
    outcomes.emplace_back(status, data);
  }
  std::vector<std::pair<bool, Dictionary>> taken() {
    std::lock_guard<std::mutex> lock(mutex);
    return outcomes;
  }
  std::mutex mutex;
  std::vector<std::pair<bool, Dictionary>> outcomes;
};

// The real service and a loader of its own against the platform at `baseUrl`, counted, with the
// component's screens talking to it.
inline std::shared_ptr<CountingService> installCountedService(const std::string& baseUrl,
                                                              std::chrono::milliseconds timeout) {
  auto service = std::make_shared<CountingService>(
      std::make_shared<LoopbackAPIService>(baseUrl, baseUrl, loopbackLoader(timeout)));
  detail::ScreenFactory::setShared(std::make_shared<ServiceScreenFactory>(service));
  return service;
}

// The host shop's own window, shown.
inline std::unique_ptr<QMainWindow> showHostWindow() {
  auto window = std::make_unique<QMainWindow>();
  window->setCentralWidget(new QLabel("host shop"));
  window->resize(375, 667);
  window->show();
  return window;
}

// Waits until every platform call made so far has completed and the screens have handled the
// answers, including calls those answers caused.
inline bool rest(const CountingService& service) {
  for (int round = 0; round < 100; ++round) {
    if (!processEventsUntil([&] { return service.completed() >= service.issued(); }, 30s)) {
      return false;
    }
    const std::size_t before = service.issued();
    settle();
    if (service.issued() == before && service.completed() == before) return true;
  }
  return false;
}

inline NavigationController* windowNavigation() {
  return qobject_cast<NavigationController*>(
      detail::KeyWindow::rootWidget(detail::KeyWindow::current()));
}

inline QWidget* child(QWidget* screen, const char* name) {
  return screen ? screen->findChild<QWidget*>(name) : nullptr;
}

inline void typeOtpAndSubmit(QWidget* screen) {
  const char digits[] = "2468";
  for (int i = 0; i < 4; ++i) {
    auto* field =
        qobject_cast<QLineEdit*>(child(screen, ("textField" + std::to_string(i + 1)).c_str()));
    if (!field) return;
    field->setFocus();
    QTest::keyClick(field, digits[i]);
  }
  auto* submit = qobject_cast<QPushButton*>(child(screen, "buttonSubmitOTP"));
  if (submit && submit->isEnabled()) submit->click();
}

inline QAbstractButton* backButtonOf(CheckoutScreen* screen) {
  if (auto* web = qobject_cast<CustomeCheckout*>(screen)) {
    return qobject_cast<QAbstractButton*>(web->backButton());
  }
  return screen ? qobject_cast<QAbstractButton*>(screen->leftNavigationItem()) : nullptr;
}

}  // namespace tarvel::test
