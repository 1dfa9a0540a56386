// A UPI order from the host's openCart to its callback, through the real component, network,
// GIO registry and simulated UPI apps, against the sandbox platform over HTTPS. Only the clock
// is manual, so polling needs no waiting.
#include <chrono>  // seconds
#include <random>  // random_device
#include <thread>  // this_thread

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>
#include <httplib.h>

#include "EntryTestFixture.h"
#include "FlowTestProcess.h"
#include "ManualClock.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/UpiCheckoutViewController.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::Application;
using detail::MainQueue;
using detail::ScreenFactory;

// An order reference no other test run uses.
std::string uniqueMoid(const std::string& prefix) {
  std::random_device random;
  return prefix + "-" + std::to_string(random()) + std::to_string(random());
}

class UpiCheckoutFlowTests : public test::EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    ScreenFactory::setShared(nullptr);
    MainQueue::setClock(clock_);
    Application::shared()->applyApplicationState(Qt::ApplicationActive);
  }
  void TearDown() override {
    EntryTestFixture::TearDown();
    MainQueue::setClock(nullptr);
  }

  // Opens the order through the entry object and waits (bounded) for its verified screen.
  UpiCheckoutViewController* openVerified(const std::string& moid) {
    showHostWindow();
    checkout_ = std::make_unique<TarvelCheckout>(false, host_);
    checkout_->openCart({{"order_type", "upi"},
                         {"mid", "M-e2e"},
                         {"moid", moid},
                         {"request_id", "R-" + moid},
                         {"phone", "9000000001"},
                         {"total", "499.00"}});
    auto* screen =
        qobject_cast<UpiCheckoutViewController*>(windowNavigation()->topViewController());
    EXPECT_TRUE(screen);
    if (!screen) return nullptr;
    EXPECT_TRUE(test::processEventsUntil([&] {
      return !screen->viewModel()->getOrderVerifyData().empty() &&
             (screen->viewQRCode()->isVisible() || !screen->paymentOptionViews().isEmpty());
    })) << "no verify answer";
    return screen;
  }

  std::string tarvelOid(const UpiCheckoutViewController& screen) const {
    return screen.viewModel()->getOrderVerifyData().value("tarvel_oid", "");
  }
  bool paid(const std::string& oid) const {
    const auto order = test::sandboxPlatform().order(oid);
    return order && order->status == sandbox::PaymentStatus::paid;
  }

  // Moves the manual clock by whole polling intervals until the host hears the outcome.
  bool pollUntilOutcome() {
    for (int tick = 0; tick < 5 && host_->outcomes().empty(); ++tick) {
      clock_->advance(5s);
      test::processEventsUntil([&] { return !host_->outcomes().empty(); }, 3s);
    }
    return !host_->outcomes().empty();
  }

  void expectPaidOutcome(const QPointer<UpiCheckoutViewController>& screen) {
    test::settle();
    const auto outcomes = host_->outcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].status);
    EXPECT_EQ(outcomes[0].data["payment_status"], "PAID");
    EXPECT_EQ(outcomes[0].thread, std::this_thread::get_id());
    EXPECT_TRUE(test::processEventsUntil([&] { return screen.isNull(); }));
    EXPECT_TRUE(test::processEventsUntil([&] { return windowNavigation() == nullptr; }))
        << "the shop's window has its own root back";
  }

  std::shared_ptr<test::ManualClock> clock_ = std::make_shared<test::ManualClock>();
  std::unique_ptr<TarvelCheckout> checkout_;
};

TEST_F(UpiCheckoutFlowTests, ATileLaunchesTheRegisteredAppWhichPaysAndPollingReportsPaid) {
  const std::string moid = uniqueMoid("tiles");
  QPointer<UpiCheckoutViewController> screen = openVerified(moid);
  ASSERT_TRUE(screen);
  const auto tiles = screen->paymentOptionViews();
  ASSERT_FALSE(tiles.isEmpty()) << "the registered apps are listed";
  ASSERT_EQ(tiles[0]->buttonUPIOption()->text(), "PhonePe");
  const std::string oid = tarvelOid(*screen);

  tiles[0]->buttonUPIOption()->click();
  ASSERT_TRUE(
      test::processEventsUntil([&] { return screen->upiOptionPressed() && paid(oid); }, 30s))
      << "the simulated app did not pay";
  EXPECT_EQ(test::sandboxPlatform().order(oid)->paidWith, "phonepe");

  test::settle();
  ASSERT_TRUE(screen->hasTimer());
  ASSERT_TRUE(pollUntilOutcome());
  expectPaidOutcome(screen);

  const auto events = test::sandboxPlatform().events();
  std::vector<std::string> kinds;
  for (const auto& event : events) {
    if (event.value("requestId", "") != "R-" + moid) continue;
    kinds.push_back(event.value("eventType", event.value("event_type", "")));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"page_load", "click"}));
}

TEST_F(UpiCheckoutFlowTests, WithoutAppsTheQrCodeIsPaidFromElsewhereAndPollingReportsPaid) {
  QPointer<UpiCheckoutViewController> screen = openVerified(uniqueMoid("no-uapp"));
  ASSERT_TRUE(screen);
  ASSERT_TRUE(screen->viewQRCode()->isVisible());
  EXPECT_FALSE(screen->imageQRCode()->pixmap().isNull()) << "the platform's QR code is shown";
  EXPECT_EQ(screen->checkPaymentStatusMax(), 24);
  const std::string oid = tarvelOid(*screen);

  clock_->advance(5s);  // one poll while nobody has paid
  ASSERT_TRUE(
      test::processEventsUntil([&] { return test::sandboxPlatform().order(oid)->captures == 1; }));
  EXPECT_TRUE(host_->outcomes().empty());

  httplib::Client control(test::sandboxPlatform().origin());
  control.set_ca_cert_path(test::sandboxPlatform().caFile().c_str());
  control.set_connection_timeout(5);
  control.set_read_timeout(10);
  const auto answer =
      control.Post("/control/pay", Dictionary{{"tarvel_oid", oid}}.dump(), "application/json");
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->status, 200) << answer->body;

  ASSERT_TRUE(pollUntilOutcome());
  expectPaidOutcome(screen);
  EXPECT_EQ(test::sandboxPlatform().order(oid)->captures, 2);
}

}  // namespace
}  // namespace tarvel
