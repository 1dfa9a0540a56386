#pragma once

#include <chrono>    // milliseconds
#include <memory>    // shared_ptr, make_shared
#include <mutex>     // mutex, lock_guard
#include <optional>  // optional
#include <set>       // set
#include <string>    // string
#include <thread>    // thread::id, this_thread
#include <vector>    // vector

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include "../RecordingStatusDelegate.h"
#include "InstalledSchemesRegistry.h"
#include "LogCapture.h"
#include "LogicTestSupport.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/NavigationController.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/UpiCheckoutViewController.h"

namespace tarvel::test {

using detail::Alert;
using detail::Application;
using detail::MainQueue;

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

/// The UPI screen in a phone-sized navigation window, with the manual clock, an injected
/// registry of installed apps, a fake service and a pinned reachability answer.
class UpiScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainQueue::setClock(clock_);
    Application::setUrlSchemeRegistry(registry_);
    Application::shared()->applyApplicationState(Qt::ApplicationActive);
  }

  void TearDown() override {
    for (Alert* alert : Alert::openAlerts()) alert->close();
    delete window_;
    settle();
    Application::setUrlSchemeRegistry(nullptr);
    MainQueue::setClock(nullptr);
  }

  /// Pushes a screen for `order` onto a navigation window `width` × `height`, which loads it
  /// and starts its verification.
  UpiCheckoutViewController* open(const Dictionary& order = {{"order_type", "upi"}},
                                  int width = 375, int height = 667) {
    window_ = new NavigationController(new ViewController);
    window_->resize(width, height);
    window_->show();
    auto* screen = new UpiCheckoutViewController(order, false);
    screen->setAPIService(service_);
    screen->setCheckoutStatusDelegate(delegate_);
    window_->pushViewController(screen, false);
    screen_ = screen;
    settle();
    return screen;
  }

  /// A screen for `order` in a window of its own, outside any navigation controller: it is
  /// never popped, so it stays alive after its outcome.
  UpiCheckoutViewController* openAlone(const Dictionary& order = {{"order_type", "upi"}}) {
    auto* screen = new UpiCheckoutViewController(order, false);
    screen->setAPIService(service_);
    screen->setCheckoutStatusDelegate(delegate_);
    screen->resize(375, 623);
    screen->show();
    screen_ = screen;
    settle();
    return screen;
  }

  /// Presses the back button and returns the cancel question it opens.
  Alert* backButtonOpensCancelAlert() {
    screen_->backButton()->click();
    settle();
    const auto alerts = Alert::openAlerts();
    EXPECT_EQ(alerts.size(), 1);
    if (alerts.size() != 1) return nullptr;
    EXPECT_EQ(alerts[0]->title(), "Are you sure you want to cancel the payment?");
    EXPECT_TRUE(alerts[0]->message().isEmpty());
    EXPECT_EQ(alerts[0]->actionTitles(), (QStringList{"CANCEL", "OK"}));
    return alerts[0];
  }

  /// Answers the (first) verify request with `data` and lets the screen act on it.
  void answerVerify(const Dictionary& data = verifyAnswer()) {
    ASSERT_EQ(callsNamed("verifyPaymentData").size(), 1u);
    service_->complete(callsNamed("verifyPaymentData")[0], data);
    settle();
  }

  /// Indexes of the fake service's calls of one operation, oldest first.
  std::vector<std::size_t> callsNamed(const std::string& operation) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < service_->calls.size(); ++i) {
      if (service_->calls[i].operation == operation) found.push_back(i);
    }
    return found;
  }
  std::vector<Dictionary> analyticsEvents() const {
    std::vector<Dictionary> events;
    for (std::size_t i : callsNamed("appAnalytics")) events.push_back(service_->calls[i].params);
    return events;
  }
  /// Answers status request `n` (1-based) with `status`.
  void answerStatus(std::size_t n, const std::string& status) {
    const auto calls = callsNamed("checkPaymentStatus");
    ASSERT_GE(calls.size(), n);
    service_->complete(calls[n - 1], Dictionary{{"payment_status", status}, {"poll", n}});
    settle();
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

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<InstalledSchemesRegistry> registry_ =
      std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "paytm"});
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  std::shared_ptr<RecordingStatusDelegate> delegate_ = std::make_shared<RecordingStatusDelegate>();
  ScopedReachability online_{true};
  LogCapture log_;
  QPointer<NavigationController> window_;
  QPointer<UpiCheckoutViewController> screen_;
};

}  // namespace tarvel::test
