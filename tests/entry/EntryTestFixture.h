#pragma once

#include <memory>   // make_shared, shared_ptr, unique_ptr
#include <mutex>    // mutex, lock_guard
#include <string>   // string
#include <thread>   // thread::id, this_thread
#include <utility>  // move
#include <vector>   // vector

#include <QLabel>
#include <QMainWindow>
#include <QPointer>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "entry/ScreenFactory.h"
#include "platform/KeyWindow.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"

namespace tarvel::test {

class LoopbackServer;
/// Set in the environment, this executable runs a host with a QGuiApplication and no
/// QApplication instead of the tests, and prints "outcome <0|1> <data>" for each outcome.
inline constexpr const char* kGuiHostVariable = "TARVEL_ENTRY_GUI_HOST";
/// This process's staging API: "GET /v2/rto/track" answers {"data": {"tracked": true, "moid":
/// <moid>}, "message": "tracked"}, or a body that is not JSON when "moid" is "fail".
LoopbackServer& rtoServer();

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
class EntryTestFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    detail::ScreenFactory::setShared(factory_);
    NetworkManager::setEnvironment(Environment::staging);
  }
  void TearDown() override {
    detail::ScreenFactory::setShared(nullptr);
    window_.reset();
    delete detail::KeyWindow::ownWindow();
    settle();
  }

  QMainWindow* showHostWindow(QWidget* central = new QLabel("host shop")) {
    window_ = std::make_unique<QMainWindow>();
    window_->setCentralWidget(central);
    window_->resize(375, 667);
    window_->show();
    return window_.get();
  }
  NavigationController* windowNavigation() const {
    return qobject_cast<NavigationController*>(
        detail::KeyWindow::rootWidget(detail::KeyWindow::current()));
  }
  RecordingScreen* lastScreen() const {
    return factory_->screens.empty() ? nullptr : factory_->screens.back().data();
  }
  // Waits (bounded) until the host has `count` outcomes.
  bool waitForOutcomes(std::size_t count = 1) {
    return processEventsUntil([&] { return host_->outcomes().size() >= count; });
  }

  std::shared_ptr<RecordingScreenFactory> factory_ = std::make_shared<RecordingScreenFactory>();
  std::shared_ptr<RecordingHost> host_ = std::make_shared<RecordingHost>();
  std::unique_ptr<QMainWindow> window_;
};

}  // namespace tarvel::test
