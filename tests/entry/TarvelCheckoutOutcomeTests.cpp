// Exactly one outcome per flow with a screen: from the screen, from a closed screen, from a
// screen that could not be shown, and through an entry object that a host subclassed.
#include <memory>  // make_shared, make_unique, weak_ptr
#include <thread>  // this_thread
#include <vector>  // vector

#include <QPushButton>

#include <gtest/gtest.h>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

using test::settle;

const Dictionary kUpiOrder = {{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-1"}};
const Dictionary kModalOrder = {{"order_type", "cod"}, {"upi_app", ""}, {"moid", "MO-2"}};

// `base` for another order: one flow runs per "moid".
Dictionary withMoid(Dictionary base, const char* moid) {
  base["moid"] = moid;
  return base;
}

using TarvelCheckoutOutcomeTests = test::EntryTestFixture;

TEST_F(TarvelCheckoutOutcomeTests, EachFlowReportsOnceUnchangedAndASecondReportIsDropped) {
  test::LogCapture log;
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
  test::RecordingScreen* first = lastScreen();
  checkout.openCart(kModalOrder);
  test::RecordingScreen* second = lastScreen();

  const Dictionary result = {{"payment_status", "PAID"}, {"amount", 10.5}, {"items", {1, 2}}};
  second->report(true, result);
  first->report(false, {{"flow", 1}});
  second->report(false, {{"late", true}});
  settle();

  ASSERT_EQ(host_->outcomes().size(), 2u);
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data, result);
  EXPECT_EQ(host_->outcomes()[0].thread, std::this_thread::get_id());
  EXPECT_EQ(host_->outcomes()[1].data, (Dictionary{{"flow", 1}}));
  EXPECT_TRUE(log.contains("Dropped a second outcome of VerifyOTPViewController"));
}

TEST_F(TarvelCheckoutOutcomeTests, WithoutAHostDelegateAnOutcomeGoesNowhere) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.setCheckoutStatusDelegate(nullptr);
  checkout.openCart(kUpiOrder);
  lastScreen()->report(true, Dictionary::object());
  checkout.setCheckoutStatusDelegate(host_);
  settle();
  EXPECT_TRUE(host_->outcomes().empty());
}

// Closing the screen without a report ends the flow with a failure, unless a report was posted
// in the same turn (like a back button); a report after that is dropped.
TEST_F(TarvelCheckoutOutcomeTests, AScreenClosedWithoutReportEndsTheFlowWithAFailure) {
  const Dictionary closed = {
      {"error", "UpiCheckoutViewController was closed before the checkout finished."}};
  for (bool postReport : {false, true}) {
    SCOPED_TRACE(postReport);
    test::LogCapture log;
    showHostWindow();
    TarvelCheckout checkout(false, host_);
    checkout.openCart(kUpiOrder);
    auto delegate = lastScreen()->checkoutStatusDelegate();
    lastScreen()->navigationController()->popViewController(true);
    if (postReport)
      detail::MainQueue::async([=] { delegate->checkOutCompleted(false, {{"back", 1}}); });
    settle();
    delegate->checkOutCompleted(true, {{"late", true}});

    ASSERT_EQ(host_->outcomes().size(), 1u);
    EXPECT_FALSE(host_->outcomes()[0].status);
    EXPECT_EQ(host_->outcomes()[0].data, (postReport ? Dictionary{{"back", 1}} : closed));
    EXPECT_TRUE(log.contains("Dropped a second outcome"));
    host_ = std::make_shared<test::RecordingHost>();
  }
}

// A double click on Pay: a second openCart of an order whose flow is open ends at once with a
// failure, from any entry object and for any flow; the open flow goes on, other orders run
// beside it, and once it has ended the order may be opened again.
TEST_F(TarvelCheckoutOutcomeTests, ASecondOpenCartOfAnOpenOrderEndsAtOnce) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  TarvelCheckout otherEntry(false, host_);
  checkout.openCart(kUpiOrder);
  QPointer<test::RecordingScreen> open = lastScreen();
  checkout.openCart(kUpiOrder);
  otherEntry.openCart(withMoid(kModalOrder, "MO-1"));
  checkout.openCart(kModalOrder);
  ASSERT_TRUE(waitForOutcomes(2));
  const Dictionary refused = {
      {"error",
       "openCart: the checkout of order \"MO-1\" is still open; this one was not started"}};
  for (const auto& outcome : host_->outcomes()) {
    EXPECT_FALSE(outcome.status);
    EXPECT_EQ(outcome.data, refused);
  }
  ASSERT_EQ(factory_->screens.size(), 2u) << "MO-2 runs beside MO-1";
  ASSERT_TRUE(open);
  EXPECT_EQ(windowNavigation()->topViewController(), open.data());

  open->report(true, {{"paid", 1}});
  checkout.openCart(kUpiOrder);
  settle();
  ASSERT_EQ(host_->outcomes().size(), 3u);
  EXPECT_EQ(host_->outcomes()[2].data, (Dictionary{{"paid", 1}}));
  EXPECT_EQ(factory_->screens.size(), 3u) << "an ended order opens again";
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
  ASSERT_EQ(watchedHost.lock()->outcomes().size(), 1u);

  lastScreen()->navigationController()->popViewController(false);
  settle();
  EXPECT_TRUE(watchedHost.expired()) << "closing the screen lets everything go";
}

// Two modal flows at once: the later screen shows above the earlier one, the earlier one may
// finish first without taking the later one with it, and each flow reports once.
TEST_F(TarvelCheckoutOutcomeTests, ASecondModalFlowShowsAboveTheFirstAndEachReportsOnce) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kModalOrder);
  QPointer<test::RecordingScreen> first = lastScreen();
  checkout.openCart(withMoid(kModalOrder, "MO-3"));
  QPointer<test::RecordingScreen> second = lastScreen();
  ASSERT_NE(first, second);

  // Once the last screen is gone the shop's window gets its own root back, so the component's
  // navigation controller may go too.
  QPointer<NavigationController> navigation = windowNavigation();
  EXPECT_EQ(navigation->presentedViewController(), first);
  EXPECT_EQ(second->presentingViewController(), first);
  EXPECT_TRUE(second->isVisible());
  EXPECT_TRUE(second->isOnScreen());

  first->report(false, {{"flow", "first"}});
  first->dismiss(false);
  settle();
  EXPECT_FALSE(first);
  ASSERT_TRUE(second) << "the later flow stays";
  EXPECT_EQ(navigation->presentedViewController(), second);
  EXPECT_TRUE(second->isVisible());
  EXPECT_TRUE(second->isOnScreen());

  second->report(true, {{"flow", "second"}});
  second->dismiss(false);
  settle();
  EXPECT_FALSE(second);
  EXPECT_TRUE(navigation.isNull() || navigation->presentedViewController() == nullptr);
  ASSERT_EQ(host_->outcomes().size(), 2u);
  EXPECT_EQ(host_->outcomes()[0].data, (Dictionary{{"flow", "first"}}));
  EXPECT_EQ(host_->outcomes()[1].data, (Dictionary{{"flow", "second"}}));
}

// The host already presents a screen of its own over its navigation controller.
TEST_F(TarvelCheckoutOutcomeTests, AModalFlowShowsAboveTheHostsOwnPresentation) {
  auto* hostNavigation = new NavigationController(new ViewController);
  showHostWindow(hostNavigation);
  QPointer<ViewController> hostModal = new ViewController;
  hostNavigation->present(hostModal, false);
  TarvelCheckout checkout(false, host_);

  checkout.openCart(kModalOrder);
  QPointer<test::RecordingScreen> screen = lastScreen();
  EXPECT_EQ(screen->presentingViewController(), hostModal);
  EXPECT_TRUE(screen->isOnScreen());

  screen->report(true, {{"paid", true}});
  screen->dismiss(false);
  settle();
  EXPECT_FALSE(screen);
  EXPECT_EQ(hostNavigation->presentedViewController(), hostModal) << "the host's screen stays";
  EXPECT_TRUE(hostModal->isOnScreen());
  ASSERT_EQ(host_->outcomes().size(), 1u);
  EXPECT_EQ(host_->outcomes()[0].data, (Dictionary{{"paid", true}}));
}

// A factory that hands out nothing, or a screen that already shows another flow: the new flow
// ends at once with a failure, and the screen on show keeps its own flow.
TEST_F(TarvelCheckoutOutcomeTests, AFlowWhoseScreenCannotBeShownEndsWithAFailure) {
  struct UnshowableScreenFactory : test::RecordingScreenFactory {
    CheckoutScreen* makeUpiCheckout(const Dictionary& data, bool production) override {
      if (screens.empty()) return make("upi", data, production);
      return giveNothing ? nullptr : screens.front().data();
    }
    bool giveNothing = false;
  };
  for (bool giveNothing : {true, false}) {
    SCOPED_TRACE(giveNothing);
    auto factory = std::make_shared<UnshowableScreenFactory>();
    factory->giveNothing = giveNothing;
    detail::ScreenFactory::setShared(factory);
    host_ = std::make_shared<test::RecordingHost>();
    showHostWindow();
    TarvelCheckout checkout(false, host_);
    checkout.openCart(kUpiOrder);
    QPointer<test::RecordingScreen> shown = factory->screens.front();
    checkout.openCart(withMoid(kUpiOrder, "MO-2"));

    ASSERT_TRUE(waitForOutcomes());
    EXPECT_FALSE(host_->outcomes()[0].status);
    EXPECT_EQ(host_->outcomes()[0].data,
              (Dictionary{{"error", "UpiCheckoutViewController could not be shown."}}));
    ASSERT_TRUE(shown);
    EXPECT_EQ(windowNavigation()->viewControllers().size(), 2);
    shown->report(true, {{"shown", true}});
    ASSERT_EQ(host_->outcomes().size(), 2u);
    EXPECT_EQ(host_->outcomes()[1].data, (Dictionary{{"shown", true}}));
  }
}

// A host that subclasses the entry object sees every screen outcome in its override while the
// object lives (a closed screen's failure too); once the object is gone, outcomes go straight
// to the host delegate. Still one outcome per flow.
TEST_F(TarvelCheckoutOutcomeTests, ScreenOutcomesPassThroughAnOverriddenCheckOutCompleted) {
  struct AuditingCheckout : TarvelCheckout {
    using TarvelCheckout::TarvelCheckout;
    void checkOutCompleted(bool status, const Dictionary& data) override {
      seen.push_back(data);
      Dictionary audited = data;
      audited["audited"] = true;
      TarvelCheckout::checkOutCompleted(status, audited);
    }
    std::vector<Dictionary> seen;
  };
  showHostWindow();
  auto checkout = std::make_unique<AuditingCheckout>(false, host_);
  checkout->openCart(kUpiOrder);
  test::RecordingScreen* reporting = lastScreen();
  checkout->openCart(withMoid(kUpiOrder, "MO-2"));
  test::RecordingScreen* closing = lastScreen();
  checkout->openCart(withMoid(kUpiOrder, "MO-3"));
  test::RecordingScreen* outliving = lastScreen();

  reporting->report(true, {{"flow", 1}});
  reporting->report(false, {{"flow", "again"}});
  windowNavigation()->removeViewController(closing, false);
  ASSERT_TRUE(waitForOutcomes(2));
  const Dictionary closed = {
      {"error", "UpiCheckoutViewController was closed before the checkout finished."}};
  EXPECT_EQ(checkout->seen, (std::vector<Dictionary>{{{"flow", 1}}, closed}));

  checkout.reset();
  outliving->report(false, {{"flow", 3}});
  const auto outcomes = host_->outcomes();
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[0].data, (Dictionary{{"flow", 1}, {"audited", true}}));
  EXPECT_TRUE(outcomes[1].data.value("audited", false));
  EXPECT_EQ(outcomes[2].data, (Dictionary{{"flow", 3}}));
}

}  // namespace
}  // namespace tarvel
