// A UPI order from the host's openCart to its callback, through the real component, network,
// GIO registry and simulated UPI app, against the sandbox platform over HTTPS. The other full
// flows against the sandbox (the QR code, cash on delivery with the issued OTP) run in the
// secrets-in-log test; this one is the only one where a tile launches a real handler.
#include <chrono>      // seconds
#include <cstdlib>     // setenv, unsetenv, abort
#include <filesystem>  // create_directories
#include <iostream>    // cerr
#include <memory>      // make_shared, shared_ptr

#include <QPushButton>

#include "EntryTestFixture.h"
#include "ManualClock.h"
#include "QtTestMain.h"
#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"
#include "UpiAppRegistration.h"
#include "platform/MainQueue.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/UpiCheckoutViewController.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;

struct FlowProcess {
  TemporaryDirectory xdg;
  sandbox::testing::RunningSandbox platform{[](sandbox::SandboxOptions& o) { o.https = true; }};
};
FlowProcess* process = nullptr;  // owned by main() through what prepareTestProcess returns

using UpiCheckoutFlowTests = EntryTestFixture;

// The real screens; only the clock is manual, so that polling needs no waiting.
TEST_F(UpiCheckoutFlowTests, ATileLaunchesTheRegisteredAppWhichPaysAndPollingReportsPaid) {
  detail::ScreenFactory::setShared(nullptr);
  auto clock = std::make_shared<ManualClock>();
  detail::MainQueue::setClock(clock);
  showHostWindow();
  checkout_ = std::make_shared<TarvelCheckout>(false, host_);
  checkout_->openCart({{"order_type", "upi"},
                       {"mid", "M-e2e"},
                       {"moid", "MO-tiles"},
                       {"request_id", "R-tiles"},
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
  QPushButton* tile = screen->paymentOptionViews()[0]->buttonUPIOption();
  ASSERT_EQ(tile->text(), "PhonePe");
  const std::string oid = screen->viewModel()->getOrderVerifyData().value("tarvel_oid", "");

  tile->click();
  ASSERT_TRUE(processEventsUntil(
      [&] {
        const auto order = process->platform.server().order(oid);
        return screen->upiOptionPressed() && order && order->status == sandbox::PaymentStatus::paid;
      },
      30s))
      << "the simulated app did not pay";
  // Whole polling intervals until the host hears PAID.
  for (int tick = 0; tick < 5 && host_->outcomes().empty(); ++tick) {
    clock->advance(5s);
    processEventsUntil([&] { return !host_->outcomes().empty(); }, 3s);
  }
  ASSERT_TRUE(waitForOutcomes());
  EXPECT_TRUE(processEventsUntil([&] { return screen.isNull() && !windowNavigation(); }));
  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data["payment_status"], "PAID");
}

}  // namespace

// The sandbox with the component's staging hosts and trusted CA pointed at it, and the
// simulated UPI apps registered as the desktop's URL-scheme handlers in a private XDG folder,
// all before anything reads the environment. Reachability is pinned to online, so that the
// test does not depend on the machine's routes.
std::shared_ptr<void> prepareTestProcess() {
  auto made = std::make_shared<FlowProcess>();
  const sandbox::SandboxServer& server = made->platform.server();
  const auto data = made->xdg.path() / "data";
  std::filesystem::create_directories(made->xdg.path() / "config");
  std::string error;
  if (!sandbox::UpiAppRegistration::install(data, TARVEL_UPI_APP_EXE, &error)) {
    std::cerr << "UPI apps not registered: " << error << "\n";
    std::abort();
  }
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (made->xdg.path() / "config").c_str(), 1);
  setenv("TARVEL_STAGING_API_URL", server.apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", server.analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", server.caFile().c_str(), 1);
  // Without a display the simulated apps pay at once instead of asking in a window.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  process = made.get();
  return made;
}

}  // namespace tarvel::test
