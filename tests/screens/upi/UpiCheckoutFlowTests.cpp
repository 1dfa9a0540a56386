// A UPI order from the host's openCart to its callback, through the real component, network,
// GIO registry and simulated UPI app, against the sandbox platform over HTTPS. The other full
// flows against the sandbox (the QR code, cash on delivery with the issued OTP) run in the
// secrets-in-log test; this one is the only one where a tile launches a real handler.
#include <chrono>      // seconds
#include <cstdlib>     // setenv, unsetenv, abort
#include <filesystem>  // create_directories
#include <iostream>    // cerr
#include <memory>      // make_shared, shared_ptr
#include <thread>      // this_thread

#include <QPushButton>
#include <QTest>

#include "EntryTestFixture.h"
#include "ManualClock.h"
#include "QtTestMain.h"
#include "SandboxServer.h"
#include "TemporaryDirectory.h"
#include "UniqueMarker.h"
#include "UpiAppRegistration.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/UpiCheckoutViewController.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;

struct FlowProcess {
  TemporaryDirectory xdg;
  std::unique_ptr<sandbox::SandboxServer> server;
};
FlowProcess* process = nullptr;  // owned by main() through what prepareTestProcess returns

// Only the clock is manual, so that polling needs no waiting.
class UpiCheckoutFlowTests : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::ScreenFactory::setShared(nullptr);
    detail::MainQueue::setClock(clock_);
    detail::Application::shared()->applyApplicationState(Qt::ApplicationActive);
    showHostWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  void TearDown() override {
    EntryTestFixture::TearDown();
    detail::MainQueue::setClock(nullptr);
  }
  sandbox::SandboxServer& platform() { return *process->server; }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<TarvelCheckout> checkout_;
};

TEST_F(UpiCheckoutFlowTests, ATileLaunchesTheRegisteredAppWhichPaysAndPollingReportsPaid) {
  const std::string moid = uniqueMarker("tiles");
  checkout_ = std::make_shared<TarvelCheckout>(false, host_);
  checkout_->openCart({{"order_type", "upi"},
                       {"mid", "M-e2e"},
                       {"moid", moid},
                       {"request_id", "R-" + moid},
                       {"phone", "9000000001"},
                       {"total", "499.00"}});
  QPointer<UpiCheckoutViewController> screen;
  ASSERT_TRUE(processEventsUntil([&] {
    NavigationController* navigation = windowNavigation();
    screen = navigation
                 ? qobject_cast<UpiCheckoutViewController*>(navigation->visibleViewController())
                 : nullptr;
    return screen && !screen->paymentOptionViews().isEmpty();
  })) << "no tiles";
  const auto tiles = screen->paymentOptionViews();
  ASSERT_EQ(tiles[0]->buttonUPIOption()->text(), "PhonePe");
  const std::string oid = screen->viewModel()->getOrderVerifyData().value("tarvel_oid", "");

  tiles[0]->buttonUPIOption()->click();
  ASSERT_TRUE(processEventsUntil(
      [&] {
        const auto order = platform().order(oid);
        return screen->upiOptionPressed() && order && order->status == sandbox::PaymentStatus::paid;
      },
      30s))
      << "the simulated app did not pay";
  EXPECT_EQ(platform().order(oid)->paidWith, "phonepe");
  settle();
  ASSERT_TRUE(screen->hasTimer());
  // Whole polling intervals until the host hears PAID.
  for (int tick = 0; tick < 5 && host_->outcomes().empty(); ++tick) {
    clock_->advance(5s);
    processEventsUntil([&] { return !host_->outcomes().empty(); }, 3s);
  }
  ASSERT_TRUE(waitForOutcomes());
  EXPECT_TRUE(processEventsUntil([&] { return screen.isNull() && !windowNavigation(); }));
  settle();
  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data["payment_status"], "PAID");
  EXPECT_EQ(host_->outcomes()[0].thread, std::this_thread::get_id());

  std::vector<std::string> kinds;
  for (const auto& event : platform().events()) {
    if (event.value("requestId", "") != "R-" + moid) continue;
    kinds.push_back(event.value("eventType", event.value("event_type", "")));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"page_load", "click"}));
}

}  // namespace

// The sandbox with the component's staging hosts and trusted CA pointed at it, and the
// simulated UPI apps registered as the desktop's URL-scheme handlers in a private XDG folder,
// all before anything reads the environment. Reachability is pinned to online, so that the
// test does not depend on the machine's routes.
std::shared_ptr<void> prepareTestProcess() {
  auto made = std::make_shared<FlowProcess>();
  sandbox::SandboxOptions options;
  options.https = true;
  made->server = std::make_unique<sandbox::SandboxServer>(options);
  if (!made->server->start()) {
    std::cerr << "sandbox did not start: " << made->server->error() << "\n";
    std::abort();
  }
  const auto data = made->xdg.path() / "data";
  std::filesystem::create_directories(made->xdg.path() / "config");
  std::string error;
  if (!sandbox::UpiAppRegistration::install(data, TARVEL_UPI_APP_EXE, &error)) {
    std::cerr << "UPI apps not registered: " << error << "\n";
    std::abort();
  }
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (made->xdg.path() / "config").c_str(), 1);
  setenv("TARVEL_STAGING_API_URL", made->server->apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", made->server->analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_WEB_URL", made->server->webBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", made->server->caFile().c_str(), 1);
  // Without a display the simulated apps pay at once instead of asking in a window.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  process = made.get();
  return made;
}

}  // namespace tarvel::test
