// A UPI order from the host's openCart to its callback, through the real component, network,
// GIO registry and simulated UPI apps, against the sandbox platform over HTTPS.
#include <chrono>  // seconds

#include <QLabel>
#include <QPushButton>

#include <httplib.h>

#include "FlowTestProcess.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/UpiCheckoutViewController.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;

class UpiCheckoutFlowTests : public FlowTest {
 protected:
  // Opens the order and waits (bounded) for its verified screen.
  UpiCheckoutViewController* openVerified(const std::string& moid) {
    auto* screen = openCart<UpiCheckoutViewController>({{"order_type", "upi"},
                                                        {"mid", "M-e2e"},
                                                        {"moid", moid},
                                                        {"request_id", "R-" + moid},
                                                        {"phone", "9000000001"},
                                                        {"total", "499.00"}});
    EXPECT_TRUE(screen && processEventsUntil([&] {
                  return !screen->viewModel()->getOrderVerifyData().empty() &&
                         (screen->viewQRCode()->isVisible() ||
                          !screen->paymentOptionViews().isEmpty());
                }))
        << "no verify answer";
    return screen;
  }
  std::string tarvelOid(const UpiCheckoutViewController& screen) const {
    return screen.viewModel()->getOrderVerifyData().value("tarvel_oid", "");
  }
  // Moves the manual clock by whole polling intervals until the host hears PAID.
  void pollUntilPaid(const QPointer<UpiCheckoutViewController>& screen) {
    for (int tick = 0; tick < 5 && host_->outcomes().empty(); ++tick) {
      clock_->advance(5s);
      processEventsUntil([&] { return !host_->outcomes().empty(); }, 3s);
    }
    expectOneOutcomeAndClosed(screen, true);
    EXPECT_EQ(host_->outcomes().at(0).data["payment_status"], "PAID");
  }
};

TEST_F(UpiCheckoutFlowTests, ATileLaunchesTheRegisteredAppWhichPaysAndPollingReportsPaid) {
  const std::string moid = uniqueMarker("tiles");
  QPointer<UpiCheckoutViewController> screen = openVerified(moid);
  ASSERT_TRUE(screen);
  const auto tiles = screen->paymentOptionViews();
  ASSERT_FALSE(tiles.isEmpty()) << "the registered apps are listed";
  ASSERT_EQ(tiles[0]->buttonUPIOption()->text(), "PhonePe");
  const std::string oid = tarvelOid(*screen);

  tiles[0]->buttonUPIOption()->click();
  ASSERT_TRUE(processEventsUntil(
      [&] {
        const auto order = sandboxPlatform().order(oid);
        return screen->upiOptionPressed() && order && order->status == sandbox::PaymentStatus::paid;
      },
      30s))
      << "the simulated app did not pay";
  EXPECT_EQ(sandboxPlatform().order(oid)->paidWith, "phonepe");
  settle();
  ASSERT_TRUE(screen->hasTimer());
  pollUntilPaid(screen);

  std::vector<std::string> kinds;
  for (const auto& event : sandboxPlatform().events()) {
    if (event.value("requestId", "") != "R-" + moid) continue;
    kinds.push_back(event.value("eventType", event.value("event_type", "")));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"page_load", "click"}));
}

TEST_F(UpiCheckoutFlowTests, WithoutAppsTheQrCodeIsPaidFromElsewhereAndPollingReportsPaid) {
  QPointer<UpiCheckoutViewController> screen = openVerified(uniqueMarker("no-uapp"));
  ASSERT_TRUE(screen);
  ASSERT_TRUE(screen->viewQRCode()->isVisible());
  EXPECT_FALSE(screen->imageQRCode()->pixmap().isNull()) << "the platform's QR code is shown";
  const std::string oid = tarvelOid(*screen);

  clock_->advance(5s);  // one poll while nobody has paid
  ASSERT_TRUE(processEventsUntil([&] { return sandboxPlatform().order(oid)->captures == 1; }));
  EXPECT_TRUE(host_->outcomes().empty());

  httplib::Client control(sandboxPlatform().origin());
  control.set_ca_cert_path(sandboxPlatform().caFile().c_str());
  control.set_connection_timeout(5);
  control.set_read_timeout(10);
  const auto answer =
      control.Post("/control/pay", Dictionary{{"tarvel_oid", oid}}.dump(), "application/json");
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->status, 200) << answer->body;
  pollUntilPaid(screen);
  EXPECT_EQ(sandboxPlatform().order(oid)->captures, 2);
}

}  // namespace
}  // namespace tarvel::test
