#pragma once

#include <chrono>   // milliseconds
#include <memory>   // make_shared, shared_ptr, unique_ptr
#include <mutex>    // mutex, lock_guard
#include <string>   // string, to_string
#include <thread>   // thread::id, this_thread
#include <utility>  // move
#include <vector>   // vector

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "entry/ScreenFactory.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/KeyWindow.h"
#include "platform/MainQueue.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"

// What the entry and reliability tests share: a host application with its window, its delegate
// recording every outcome, and the shopper's hands on the component's screens.
namespace tarvel::test {

/// Set in the environment, the entry tests' executable runs a host with a QGuiApplication and
/// no QApplication instead of the tests, and prints "outcome <0|1> <data>" for each outcome.
inline constexpr const char* kGuiHostVariable = "TARVEL_ENTRY_GUI_HOST";

/// A checkout screen that only reports when told.
struct RecordingScreen : CheckoutScreen {
  RecordingScreen(std::string kind, const Dictionary& createData, bool production)
      : CheckoutScreen(createData, production), kind(std::move(kind)), production(production) {}
  void report(bool status, const Dictionary& data) {
    checkoutStatusDelegate()->checkOutCompleted(status, data);
  }
  const std::string kind;
  const bool production;
};

/// Makes `RecordingScreen`s and remembers them.
struct RecordingScreenFactory : detail::ScreenFactory {
  CheckoutScreen* makeUpiCheckout(const Dictionary& data, bool production) override {
    return make("upi", data, production);
  }
  CheckoutScreen* makeVerifyOTP(const Dictionary& data, bool production) override {
    return make("otp", data, production);
  }
  CheckoutScreen* makeWebCheckout(const Dictionary& data, bool production) override {
    return make("web", data, production);
  }
  CheckoutScreen* make(const char* kind, const Dictionary& data, bool production) {
    return screens.emplace_back(new RecordingScreen(kind, data, production));
  }
  std::vector<QPointer<RecordingScreen>> screens;
};

/// The host's delegate: records every outcome with the thread it arrived on.
struct RecordingHost : TarvelPaymentStatusDelegate {
  struct Outcome {
    bool status;
    Dictionary data;
    std::thread::id thread;
  };
  void tarvelPayment(bool status, const Dictionary& data) override {
    std::lock_guard<std::mutex> lock(mutex_);  // a wrong-thread report fails cleanly
    outcomes_.push_back({status, data, std::this_thread::get_id()});
  }
  std::vector<Outcome> outcomes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outcomes_;
  }
  mutable std::mutex mutex_;
  std::vector<Outcome> outcomes_;
};

/// A host application: a recording screen factory installed, a recording host delegate and
/// (once showHostWindow is called) a shown main window. The environment starts as staging.
/// Teardown closes what a flow left open and puts back every seam a test may have set.
class EntryTestFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    detail::ScreenFactory::setShared(factory_);
    NetworkManager::setEnvironment(Environment::staging);
  }
  void TearDown() override {
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->close();
    checkout_.reset();
    window_.reset();
    delete detail::KeyWindow::ownWindow();
    settle();
    detail::ScreenFactory::setShared(nullptr);
    detail::Application::setUrlSchemeRegistry(nullptr);
    detail::MainQueue::setClock(nullptr);
  }

  QMainWindow* showHostWindow(QWidget* central = new QLabel("host shop")) {
    window_ = std::make_unique<QMainWindow>();
    window_->setCentralWidget(central);
    window_->resize(375, 667);
    window_->show();
    return window_.get();
  }
  static NavigationController* windowNavigation() {
    return qobject_cast<NavigationController*>(
        detail::KeyWindow::rootWidget(detail::KeyWindow::current()));
  }
  RecordingScreen* lastScreen() const {
    return factory_->screens.empty() ? nullptr : factory_->screens.back().data();
  }
  // Waits (bounded) until the host has `count` outcomes.
  bool waitForOutcomes(std::size_t count = 1,
                       std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    return processEventsUntil([&] { return host_->outcomes().size() >= count; }, bound);
  }

  std::shared_ptr<RecordingScreenFactory> factory_ = std::make_shared<RecordingScreenFactory>();
  std::shared_ptr<RecordingHost> host_ = std::make_shared<RecordingHost>();
  std::unique_ptr<QMainWindow> window_;
  std::shared_ptr<TarvelCheckout> checkout_;  // for tests whose flows span helpers
};

// The flows the suites drive end to end; the fault table aims the sandbox's fault scenarios at
// `sandboxEndpoint` on each.
enum class Flow { upiTiles, upiQr, codOtp, codOtpSheet, web, rto };

struct FlowInfo {
  Flow flow;
  const char* name;
  const char* sandboxEndpoint;
};

inline const std::vector<FlowInfo>& allFlows() {
  static const std::vector<FlowInfo> flows = {
      {Flow::upiTiles, "upi tiles", "verify"}, {Flow::upiQr, "upi QR polling", "capture"},
      {Flow::codOtp, "cod OTP", "otp"},        {Flow::codOtpSheet, "cod OTP as sheet", "otp"},
      {Flow::web, "web checkout", "web"},      {Flow::rto, "non-vx RTO", "rto"},
  };
  return flows;
}

// An order of `flow` with its own "moid"; the OTP sheet is presented over the host's screen.
inline Dictionary orderFor(Flow flow, const std::string& moid = "MO-fault") {
  Dictionary order = {{"order_type", "upi"},     {"mid", "M-fault"},      {"moid", moid},
                      {"request_id", "R-fault"}, {"phone", "9000000001"}, {"total", "499.00"},
                      {"tarvel_oid", "T-fault"}};
  if (flow == Flow::codOtp || flow == Flow::codOtpSheet) {
    order["order_type"] = "cod";
    order["upi_app"] = flow == Flow::codOtp ? "paytm" : "";
    order["total"] = "1499";
  }
  if (flow == Flow::web) order["upi_app"] = "customweb";
  if (flow == Flow::rto) order["order_type"] = "non-vx";
  return order;
}

inline QWidget* child(QWidget* screen, const char* name) {
  return screen ? screen->findChild<QWidget*>(name) : nullptr;
}

// Types `digits` into the OTP screen's four fields, as a shopper does, and taps submit.
inline void typeOtpAndSubmit(QWidget* screen, const std::string& digits = "2468") {
  for (int i = 0; i < 4; ++i) {
    auto* field =
        qobject_cast<QLineEdit*>(child(screen, ("textField" + std::to_string(i + 1)).c_str()));
    if (!field) return;
    field->clear();
    field->setFocus();
    QTest::keyClick(field, digits.at(static_cast<std::size_t>(i)));
  }
  auto* submit = qobject_cast<QPushButton*>(child(screen, "buttonSubmitOTP"));
  if (submit && submit->isEnabled()) submit->click();
}

}  // namespace tarvel::test
