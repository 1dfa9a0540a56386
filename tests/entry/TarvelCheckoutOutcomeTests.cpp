#include <gtest/gtest.h>

#include <memory>  // make_shared, weak_ptr
#include <thread>  // thread, this_thread

#include <QPointer>
#include <QPushButton>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "entry/UnavailableFlowScreen.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

using test::EntryTestFixture;
using test::processEventsUntil;
using test::settle;

const Dictionary kUpiOrder = {{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-1"}};
const Dictionary kModalOrder = {{"order_type", "cod"}, {"upi_app", ""}, {"moid", "MO-1"}};

using TarvelCheckoutOutcomeTests = EntryTestFixture;

TEST_F(TarvelCheckoutOutcomeTests, AScreensReportReachesTheHostUnchangedOnTheMainThread) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);

  const Dictionary result = {{"payment_status", "PAID"}, {"amount", 10.5}, {"items", {1, 2}}};
  lastScreen()->report(true, result);

  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data, result);
  EXPECT_EQ(host_->outcomes()[0].thread, std::this_thread::get_id());
}

TEST_F(TarvelCheckoutOutcomeTests, ASecondReportOfTheSameFlowIsDroppedAndLogged) {
  test::LogCapture log;
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);

  lastScreen()->report(false, Dictionary::object());
  lastScreen()->report(true, {{"late", true}});
  settle();

  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_FALSE(host_->outcomes()[0].status);
  EXPECT_TRUE(log.contains("Dropped a second outcome of UpiCheckoutViewController"));
}

TEST_F(TarvelCheckoutOutcomeTests, TwoFlowsReportOnceEach) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
  test::RecordingScreen* first = lastScreen();
  checkout.openCart(kModalOrder);
  test::RecordingScreen* second = lastScreen();

  second->report(true, {{"flow", 2}});
  first->report(false, {{"flow", 1}});
  second->report(true, {{"flow", 2}});

  ASSERT_EQ(host_->outcomes().size(), 2u);
  EXPECT_EQ(host_->outcomes()[0].data, (Dictionary{{"flow", 2}}));
  EXPECT_EQ(host_->outcomes()[1].data, (Dictionary{{"flow", 1}}));
}

TEST_F(TarvelCheckoutOutcomeTests, AReportPostedWhileClosingStillCounts) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
  test::RecordingScreen* screen = lastScreen();

  // Like a back button: pop first, report from a block posted in the same handler.
  auto delegate = screen->checkoutStatusDelegate();
  screen->navigationController()->popViewController(true);
  MainQueue::async([delegate] { delegate->checkOutCompleted(false, Dictionary::object()); });
  settle();

  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_FALSE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data, Dictionary::object());
}

TEST_F(TarvelCheckoutOutcomeTests, AScreenClosedWithoutReportEndsTheFlowWithAFailure) {
  test::LogCapture log;
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
  test::RecordingScreen* screen = lastScreen();
  auto delegate = screen->checkoutStatusDelegate();

  screen->navigationController()->popViewController(true);
  settle();

  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_FALSE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data,
            (Dictionary{{"error",
                         "UpiCheckoutViewController was closed before the checkout "
                         "finished."}}));

  // A report that comes after the screen was closed is dropped.
  delegate->checkOutCompleted(true, {{"late", true}});
  EXPECT_EQ(host_->outcomes().size(), 1u);
  EXPECT_TRUE(log.contains("Dropped a second outcome"));
}

TEST_F(TarvelCheckoutOutcomeTests, TheFlowOutlivesTheEntryObject) {
  showHostWindow();
  std::weak_ptr<test::RecordingHost> watchedHost = host_;
  {
    TarvelCheckout checkout(false, host_);  // on the stack, gone before the screen reports
    checkout.openCart(kUpiOrder);
  }
  host_.reset();
  ASSERT_FALSE(watchedHost.expired()) << "the screen's delegate keeps the flow alive";

  lastScreen()->report(true, {{"ok", 1}});
  auto host = watchedHost.lock();
  ASSERT_NE(host, nullptr);
  ASSERT_EQ(host->outcomes().size(), 1u);
  host.reset();

  lastScreen()->navigationController()->popViewController(false);
  settle();
  EXPECT_TRUE(watchedHost.expired()) << "closing the screen lets everything go";
}

TEST_F(TarvelCheckoutOutcomeTests, CheckOutCompletedForwardsOnTheCallingThread) {
  TarvelCheckout checkout(false, host_);
  std::thread worker([&] { checkout.checkOutCompleted(true, {{"a", 1}}); });
  const std::thread::id workerId = worker.get_id();
  worker.join();
  checkout.checkOutCompleted(false, {{"b", 2}});

  ASSERT_EQ(host_->outcomes().size(), 2u);
  EXPECT_EQ(host_->outcomes()[0].thread, workerId);
  EXPECT_EQ(host_->outcomes()[0].data, (Dictionary{{"a", 1}}));
  EXPECT_FALSE(host_->outcomes()[1].status);
}

TEST_F(TarvelCheckoutOutcomeTests, WithoutAHostDelegateNothingHappens) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.setCheckoutStatusDelegate(nullptr);
  checkout.openCart(kUpiOrder);
  lastScreen()->report(true, Dictionary::object());
  checkout.checkOutCompleted(true, Dictionary::object());
  EXPECT_TRUE(host_->outcomes().empty());

  auto replacement = std::make_shared<test::RecordingHost>();
  checkout.setCheckoutStatusDelegate(replacement);
  EXPECT_EQ(checkout.checkoutStatusDelegate(), replacement);
}

TEST_F(TarvelCheckoutOutcomeTests, TheDelegateIsLoggedBeforeTheModalPresentation) {
  test::LogCapture log;
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kModalOrder);
  EXPECT_TRUE(
      log.contains("Presenting VerifyOTPViewController modally; its delegate is "
                   "<tarvel::TarvelCheckout: 0x"));

  log.clear();
  checkout.openCart({{"order_type", "cod"}, {"upi_app", "paytm"}});
  EXPECT_FALSE(log.contains("modally"));
}

// The default factory's stand-ins for the screens this build does not contain.
class TarvelCheckoutPlaceholderTests : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    ScreenFactory::setShared(nullptr);
  }
};

TEST_F(TarvelCheckoutPlaceholderTests, TheUpiFlowSaysItIsUnavailableAndReportsAFailure) {
  showHostWindow();
  TarvelCheckout checkout(true, host_);
  checkout.openCart(kUpiOrder);

  NavigationController* navigation = windowNavigation();
  auto* screen = qobject_cast<UnavailableFlowScreen*>(navigation->topViewController());
  ASSERT_NE(screen, nullptr);
  EXPECT_TRUE(screen->isProduction());
  EXPECT_EQ(screen->createData(), kUpiOrder);
  QPointer<UnavailableFlowScreen> watched = screen;

  screen->closeButton()->click();
  settle();

  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_FALSE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data,
            (Dictionary{{"error", "UPI payment is not available in this build."}}));
  EXPECT_FALSE(watched) << "popped";
  EXPECT_EQ(navigation->viewControllers().size(), 1);
}

TEST_F(TarvelCheckoutPlaceholderTests, TheModalOtpFlowClosesByDismissal) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kModalOrder);

  NavigationController* navigation = windowNavigation();
  auto* screen = qobject_cast<UnavailableFlowScreen*>(navigation->presentedViewController());
  ASSERT_NE(screen, nullptr);
  screen->closeButton()->click();
  settle();

  EXPECT_EQ(navigation->presentedViewController(), nullptr);
  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_EQ(host_->outcomes()[0].data,
            (Dictionary{{"error", "OTP confirmation is not available in this build."}}));
}

}  // namespace
}  // namespace tarvel
