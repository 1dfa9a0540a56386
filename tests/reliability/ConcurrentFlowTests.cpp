// Several flows at once through one entry object, against a working loopback platform: a
// modal OTP screen over a pushed UPI screen, the web checkout over the UPI screen, an RTO
// request while the OTP screen waits, two modal OTP screens, and three flows together. Each
// flow must report exactly once, and once all have ended no screen may be left behind.
#include <algorithm>  // count_if
#include <map>        // map
#include <memory>     // make_shared, shared_ptr, unique_ptr
#include <set>        // set
#include <string>     // string
#include <vector>     // vector

#include <QApplication>
#include <QMainWindow>
#include <QPointer>

#include <gtest/gtest.h>

#include "CountingService.h"
#include "FaultTestProcess.h"
#include "FaultyPlatform.h"
#include "FlowDriving.h"
#include "InstalledSchemesRegistry.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {
namespace {

using detail::Alert;

// Each flow's order carries its own "moid", so its outcome can be told apart where the data
// holds it; the UPI cancel reports {} and is told apart by being the only false outcome.
Dictionary order(Flow flow, const std::string& moid, bool modal = false) {
  Dictionary order = orderFor(flow);
  order["moid"] = moid;
  if (modal) order["upi_app"] = "";
  return order;
}

class ConcurrentFlowTests : public ::testing::Test {
 protected:
  void SetUp() override {
    detail::MainQueue::setClock(clock_);
    detail::Application::shared()->applyApplicationState(Qt::ApplicationActive);
    detail::Application::setUrlSchemeRegistry(
        std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe"}));
    ASSERT_TRUE(platform_.start());
    setCheckoutPageTarget(platform_.baseUrl());
    service_ = installCountedService(platform_.baseUrl(), kClientTimeout);
    window_ = showHostWindow();
    checkout_ = std::make_shared<TarvelCheckout>(false, host_);
    checkout_->setViewModel(std::make_shared<VerifyOTPViewModel>(service_, Dictionary::object()));
  }
  void TearDown() override {
    for (Alert* alert : Alert::openAlerts()) alert->close();
    checkout_.reset();
    window_.reset();
    delete detail::KeyWindow::ownWindow();
    settle();
    detail::ScreenFactory::setShared(nullptr);
    detail::Application::setUrlSchemeRegistry(nullptr);
    detail::MainQueue::setClock(nullptr);
  }

  template <typename Screen>
  std::vector<Screen*> screensOfType() const {
    std::vector<Screen*> found;
    for (QWidget* widget : QApplication::allWidgets()) {
      if (auto* screen = qobject_cast<Screen*>(widget)) found.push_back(screen);
    }
    return found;
  }
  std::size_t screenCount() const { return screensOfType<CheckoutScreen>().size(); }

  // Types the OTP into the OTP screens, each once its panel shows, until none is left.
  void payEveryOtpScreen() {
    ASSERT_TRUE(rest(*service_));
    for (int round = 0; round < 6 && !screensOfType<VerifyOTPViewController>().empty(); ++round) {
      QPointer<VerifyOTPViewController> ready;
      ASSERT_TRUE(processEventsUntil([&] {
        for (auto* screen : screensOfType<VerifyOTPViewController>()) {
          if (child(screen, "viewCODContainer")->isVisible()) ready = screen;
        }
        return !ready.isNull();
      }));
      typeOtpAndSubmit(ready);
      ASSERT_TRUE(rest(*service_));
      ASSERT_TRUE(processEventsUntil([&] { return ready.isNull(); }));
    }
    EXPECT_TRUE(screensOfType<VerifyOTPViewController>().empty());
  }

  // Backs out of every UPI screen: the back button, then "OK" on the cancel question.
  void cancelEveryUpiScreen() {
    ASSERT_TRUE(rest(*service_));
    for (auto* screen : screensOfType<UpiCheckoutViewController>()) {
      QPointer<UpiCheckoutViewController> guarded(screen);
      screen->backButtonClick();
      settle();
      for (Alert* alert : Alert::openAlerts()) alert->triggerAction("OK");
      ASSERT_TRUE(processEventsUntil([&] { return guarded.isNull(); }));
    }
  }

  bool waitForOutcomes(std::size_t count) {
    return processEventsUntil([&] { return host_->taken().size() >= count; }, 60s);
  }

  // Every flow reported once, in any order, and nothing is left on screen.
  void expectOneOutcomeEachAndNoScreenLeft(const std::map<std::string, bool>& expected) {
    ASSERT_TRUE(waitForOutcomes(expected.size()));
    settle();
    const auto outcomes = host_->taken();
    ASSERT_EQ(outcomes.size(), expected.size());
    for (const auto& [moid, status] : expected) {
      const auto reports = std::count_if(outcomes.begin(), outcomes.end(), [&](const auto& o) {
        const bool itsMoid =
            o.second.is_object() && (o.second.value("moid", "") == moid ||
                                     (o.second.contains("data") && o.second["data"].is_object() &&
                                      o.second["data"].value("moid", "") == moid));
        return o.first == status && (itsMoid || (moid.rfind("upi", 0) == 0 && o.second.empty()));
      });
      EXPECT_EQ(reports, 1) << moid;
    }
    ASSERT_TRUE(processEventsUntil([&] { return screenCount() == 0; }));
    EXPECT_TRUE(processEventsUntil([&] { return windowNavigation() == nullptr; }))
        << "the shop's window has its own root back";
    EXPECT_TRUE(Alert::openAlerts().isEmpty());
    EXPECT_EQ(service_->repeatedCompletions(), 0u);
  }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  FaultyPlatform platform_{"/none", Fault::status500Valid};  // no endpoint is faulted
  std::shared_ptr<CountingService> service_;
  std::shared_ptr<RecordingHost> host_ = std::make_shared<RecordingHost>();
  std::unique_ptr<QMainWindow> window_;
  std::shared_ptr<TarvelCheckout> checkout_;
};

TEST_F(ConcurrentFlowTests, ModalOtpOverPushedUpi) {
  checkout_->openCart(order(Flow::upiTiles, "upi-under"));
  checkout_->openCart(order(Flow::codOtp, "otp-modal-over", true));
  ASSERT_TRUE(rest(*service_));
  EXPECT_EQ(screenCount(), 2u);
  payEveryOtpScreen();
  cancelEveryUpiScreen();
  expectOneOutcomeEachAndNoScreenLeft({{"upi-under", false}, {"otp-modal-over", true}});
}

TEST_F(ConcurrentFlowTests, WebCheckoutOverUpi) {
  checkout_->openCart(order(Flow::upiTiles, "upi-under-web"));
  checkout_->openCart(order(Flow::web, "web-over-upi"));
  // The page posts "onSuccess" once loaded (Qt WebEngine's first start takes seconds).
  ASSERT_TRUE(waitForOutcomes(1));
  EXPECT_EQ(host_->taken()[0].second.value("status", ""), "PAID");
  cancelEveryUpiScreen();
  expectOneOutcomeEachAndNoScreenLeft({{"upi-under-web", false}, {"web-over-upi", true}});
}

TEST_F(ConcurrentFlowTests, RtoWhileTheOtpScreenWaitsAndTwoModalOtpScreens) {
  checkout_->openCart(order(Flow::codOtp, "otp-pushed"));
  checkout_->openCart(order(Flow::rto, "rto-during-otp"));
  ASSERT_TRUE(waitForOutcomes(1));
  EXPECT_EQ(screenCount(), 1u);
  payEveryOtpScreen();
  expectOneOutcomeEachAndNoScreenLeft({{"otp-pushed", true}, {"rto-during-otp", true}});

  host_->outcomes.clear();
  checkout_->openCart(order(Flow::codOtp, "otp-modal-1", true));
  checkout_->openCart(order(Flow::codOtp, "otp-modal-2", true));
  payEveryOtpScreen();
  expectOneOutcomeEachAndNoScreenLeft({{"otp-modal-1", true}, {"otp-modal-2", true}});
}

TEST_F(ConcurrentFlowTests, ThreeFlowsAtOnce) {
  checkout_->openCart(order(Flow::upiTiles, "upi-of-three"));
  checkout_->openCart(order(Flow::codOtp, "otp-of-three", true));
  checkout_->openCart(order(Flow::rto, "rto-of-three"));
  ASSERT_TRUE(rest(*service_));
  payEveryOtpScreen();
  cancelEveryUpiScreen();
  expectOneOutcomeEachAndNoScreenLeft(
      {{"upi-of-three", false}, {"otp-of-three", true}, {"rto-of-three", true}});

  host_->outcomes.clear();
  checkout_->openCart(order(Flow::upiTiles, "upi-below-two"));
  checkout_->openCart(order(Flow::codOtp, "otp-pushed-of-three"));
  checkout_->openCart(order(Flow::codOtp, "otp-modal-of-three", true));
  payEveryOtpScreen();
  cancelEveryUpiScreen();
  expectOneOutcomeEachAndNoScreenLeft(
      {{"upi-below-two", false}, {"otp-pushed-of-three", true}, {"otp-modal-of-three", true}});
}

}  // namespace
}  // namespace tarvel::test
