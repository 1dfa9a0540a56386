// The entry object with a recording screen factory on real widgets (offscreen). Where openCart
// puts the checkout: the host window it takes over and gives back, or a window of its own. And
// exactly one outcome per flow with a screen: from the screen, from a screen that could not be
// shown, and through an entry object that a host subclassed. (A closed screen's failure is the
// teardown table's.)
#include <QVBoxLayout>

#include "EntryTestFixture.h"
#include "platform/HostWidgetViewController.h"

namespace tarvel::test {
namespace {

using TarvelCheckoutWindowTests = EntryTestFixture;

// While flows run, from any entry object, the host's widget is the bottom of one navigation
// controller (only the call that installed it keeps the former root); once the last flow has
// closed, the window has its widget back, at its size, with its focus.
TEST_F(TarvelCheckoutWindowTests, TheHostsRootIsTheBottomWhileFlowsRunAndComesBackAfter) {
  auto* shop = new QWidget;
  auto* field = new QLineEdit(shop);
  QMainWindow* window = showHostWindow(shop);
  field->setFocus();
  const QSize size = shop->size();
  TarvelCheckout checkout(false, host_);
  EXPECT_EQ(checkout.rootViewController(), nullptr);
  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  QPointer<RecordingScreen> first = lastScreen();
  TarvelCheckout another(false, host_);
  another.openCart({{"order_type", 42}});
  another.openCart(orderFor(Flow::upiTiles, "MO-2"));

  QPointer<NavigationController> navigation =
      qobject_cast<NavigationController*>(window->centralWidget());
  ASSERT_TRUE(navigation);
  ASSERT_EQ(navigation->viewControllers().size(), 3);
  auto* bottom =
      qobject_cast<detail::HostWidgetViewController*>(navigation->viewControllers().front());
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->content(), shop) << "the host's own widget, not a copy";
  EXPECT_EQ(checkout.rootViewController(), bottom);
  EXPECT_EQ(another.rootViewController(), nullptr);
  EXPECT_EQ(navigation->topViewController(), lastScreen());

  navigation->removeViewController(first, false);
  settle();
  ASSERT_EQ(window->centralWidget(), navigation.data()) << "a flow still runs";
  navigation->popViewController(false);
  ASSERT_TRUE(processEventsUntil([&] { return !navigation; }));
  EXPECT_EQ(window->centralWidget(), shop);
  EXPECT_TRUE(shop->isVisible());
  EXPECT_TRUE(processEventsUntil([&] { return shop->size() == size; }));
  EXPECT_EQ(window->focusWidget(), field);
  EXPECT_EQ(host_->outcomes().size(), 3u);
}

// Without a main window to take over, the flow shows in a window of the component's own
// (phone-shaped, opened once, closed once the flow has ended), in a plain window over its single
// widget or, without one, a blank screen, so the flow's screen can still pop itself (the window
// gets its widget back), or on the navigation controller the host already has at the root,
// which is kept. rootViewController names the bottom only where the component made it over
// the host's widget.
TEST_F(TarvelCheckoutWindowTests, WithoutAMainWindowTheFlowShowsInTheRightWindowAndGivesItBack) {
  enum Host { own, plainWidget, plainBlank, navigationKept };
  for (Host kind : {own, plainWidget, plainBlank, navigationKept}) {
    SCOPED_TRACE(kind);
    QWidget plain;
    QPointer<QWidget> window = &plain, shop;
    ViewController* hostScreen = nullptr;
    if (kind == plainWidget) (new QVBoxLayout(&plain))->addWidget(shop = new QLabel("shop"));
    if (kind == plainWidget || kind == plainBlank) plain.show();
    if (kind == navigationKept)
      window = showHostWindow(new NavigationController(hostScreen = new ViewController));
    TarvelCheckout checkout(false, host_);
    checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
    if (kind == own) window = detail::KeyWindow::ownWindow();

    ASSERT_TRUE(window && window->isVisible());
    auto* navigation = qobject_cast<NavigationController*>(detail::KeyWindow::rootWidget(window));
    ASSERT_NE(navigation, nullptr);
    ASSERT_EQ(navigation->viewControllers().size(), 2);
    EXPECT_EQ(navigation->topViewController(), lastScreen());
    auto* made = qobject_cast<detail::HostWidgetViewController*>(checkout.rootViewController());
    EXPECT_EQ(checkout.rootViewController() != nullptr, kind == plainWidget);
    EXPECT_EQ(made ? made->content() : nullptr, shop.data());
    EXPECT_EQ(navigation->viewControllers().front() == hostScreen, kind == navigationKept);
    if (kind == own) {
      EXPECT_LT(window->width(), window->height()) << "phone-shaped";
      EXPECT_EQ(detail::KeyWindow::currentOrOpen(), window) << "opened once and reused";
    }

    lastScreen()->report(true, {{"paid", true}});
    EXPECT_EQ(navigation->popViewController(true), lastScreen());
    ASSERT_TRUE(processEventsUntil([&] { return kind != own || window.isNull(); }));
    settle();
    EXPECT_EQ(detail::KeyWindow::ownWindow(), nullptr);
    const QWidget* root = kind == navigationKept ? navigation : shop.data();
    EXPECT_EQ(window ? detail::KeyWindow::rootWidget(window) : nullptr, root)
        << "given back or kept";
    EXPECT_EQ(host_->outcomes().size(), 1u);
    host_ = std::make_shared<RecordingHost>();
  }
}

TEST_F(TarvelCheckoutWindowTests, EnvironmentOfTheLastEntryObjectWins) {
  showHostWindow();
  TarvelCheckout first(true, host_);
  EXPECT_EQ(NetworkManager::environment(), Environment::production);
  TarvelCheckout second(false, host_);
  EXPECT_EQ(NetworkManager::environment(), Environment::staging);

  first.openCart(orderFor(Flow::upiTiles, "MO-1"));
  EXPECT_FALSE(lastScreen()->production) << "the first object's flow uses the last setting";
  TarvelCheckout third(true, host_);
  second.openCart(orderFor(Flow::upiTiles, "MO-2"));
  EXPECT_TRUE(lastScreen()->production);
}

TEST_F(TarvelCheckoutWindowTests, OpenCartFromAWorkerThreadRunsOnTheMainThread) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  std::thread worker([&] { checkout.openCart(orderFor(Flow::upiTiles, "MO-1")); });
  worker.join();
  ASSERT_TRUE(processEventsUntil([&] { return lastScreen() != nullptr; }));
  EXPECT_EQ(windowNavigation()->topViewController(), lastScreen());
}

const Dictionary kClosed = {
    {"error", "UpiCheckoutViewController was closed before the checkout finished."}};

class TarvelCheckoutOutcomeTests : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    showHostWindow();
  }
  std::vector<Dictionary> outcomeData() const {
    std::vector<Dictionary> data;
    for (const auto& outcome : host_->outcomes()) data.push_back(outcome.data);
    return data;
  }
};

// Without a host delegate an outcome goes nowhere, not to a delegate set later. (That each flow
// reports once, unchanged, on the main thread, is the randomized run's check, with real screens.)
TEST_F(TarvelCheckoutOutcomeTests, WithoutAHostDelegateAnOutcomeGoesNowhere) {
  TarvelCheckout checkout(false, nullptr);
  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  lastScreen()->report(true, {{"nowhere", 1}});
  checkout.setCheckoutStatusDelegate(host_);
  checkout.openCart(orderFor(Flow::codOtpSheet, "MO-2"));
  lastScreen()->report(false, {{"flow", 2}});
  settle();
  EXPECT_EQ(outcomeData(), (std::vector<Dictionary>{{{"flow", 2}}}));
}

// A double click on Pay: a second openCart of an order whose flow is open ends at once with a
// failure, from any entry object and for any flow; the open flow goes on, other orders run
// beside it, and once it has ended the order may be opened again.
TEST_F(TarvelCheckoutOutcomeTests, ASecondOpenCartOfAnOpenOrderEndsAtOnce) {
  TarvelCheckout checkout(false, host_);
  TarvelCheckout otherEntry(false, host_);
  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  QPointer<RecordingScreen> open = lastScreen();
  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  otherEntry.openCart(orderFor(Flow::codOtpSheet, "MO-1"));
  checkout.openCart(orderFor(Flow::codOtpSheet, "MO-2"));
  ASSERT_TRUE(waitForOutcomes(2));
  const Dictionary refused = {
      {"error",
       "openCart: the checkout of order \"MO-1\" is still open; this one was not started"}};
  EXPECT_EQ(outcomeData(), (std::vector<Dictionary>{refused, refused}));
  EXPECT_FALSE(host_->outcomes()[0].status || host_->outcomes()[1].status);
  ASSERT_EQ(factory_->screens.size(), 2u) << "MO-2 runs beside MO-1";
  ASSERT_TRUE(open);
  EXPECT_EQ(windowNavigation()->topViewController(), open.data());

  open->report(true, {{"paid", 1}});
  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  settle();
  EXPECT_EQ(outcomeData().back(), (Dictionary{{"paid", 1}}));
  EXPECT_EQ(factory_->screens.size(), 3u) << "an ended order opens again";
}

// Modal flows show above whatever the window already presents, the host's own screen too; an
// earlier flow may finish first without taking a later one with it, the host's screen stays,
// and each flow reports once.
TEST_F(TarvelCheckoutOutcomeTests, AModalFlowShowsAboveWhatIsPresentedAndEachReportsOnce) {
  auto* hostNavigation = new NavigationController(new ViewController);
  showHostWindow(hostNavigation);
  QPointer<ViewController> hostModal = new ViewController;
  hostNavigation->present(hostModal, false);
  TarvelCheckout checkout(false, host_);
  checkout.openCart(orderFor(Flow::codOtpSheet, "MO-2"));
  QPointer<RecordingScreen> first = lastScreen();
  checkout.openCart(orderFor(Flow::codOtpSheet, "MO-3"));
  QPointer<RecordingScreen> second = lastScreen();
  EXPECT_EQ(first->presentingViewController(), hostModal);
  EXPECT_EQ(second->presentingViewController(), first);
  EXPECT_TRUE(second->isVisible() && second->isOnScreen());

  first->report(false, {{"flow", "first"}});
  first->dismiss(false);
  settle();
  EXPECT_FALSE(first);
  ASSERT_TRUE(second) << "the later flow stays";
  EXPECT_EQ(hostModal->presentedViewController(), second);
  EXPECT_TRUE(second->isVisible() && second->isOnScreen());
  second->report(true, {{"flow", "second"}});
  second->dismiss(false);
  settle();
  EXPECT_FALSE(second);
  EXPECT_EQ(hostNavigation->presentedViewController(), hostModal) << "the host's screen stays";
  EXPECT_TRUE(hostModal->isOnScreen());
  EXPECT_EQ(outcomeData(), (std::vector<Dictionary>{{{"flow", "first"}}, {{"flow", "second"}}}));
}

// A factory that hands out nothing, or a screen that already shows another flow: the new flow
// ends at once with a failure, and the screen on show keeps its own flow.
TEST_F(TarvelCheckoutOutcomeTests, AFlowWhoseScreenCannotBeShownEndsWithAFailure) {
  struct UnshowableScreenFactory : RecordingScreenFactory {
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
    host_ = std::make_shared<RecordingHost>();
    showHostWindow();
    TarvelCheckout checkout(false, host_);
    checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
    QPointer<RecordingScreen> shown = factory->screens.front();
    checkout.openCart(orderFor(Flow::upiTiles, "MO-2"));
    ASSERT_TRUE(waitForOutcomes());
    EXPECT_FALSE(host_->outcomes()[0].status);
    ASSERT_TRUE(shown);
    EXPECT_EQ(windowNavigation()->viewControllers().size(), 2);
    shown->report(true, {{"shown", true}});
    EXPECT_EQ(outcomeData(),
              (std::vector<Dictionary>{{{"error", "UpiCheckoutViewController could not be shown."}},
                                       {{"shown", true}}}));
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
  auto checkout = std::make_unique<AuditingCheckout>(false, host_);
  checkout->openCart(orderFor(Flow::upiTiles, "MO-1"));
  RecordingScreen* reporting = lastScreen();
  checkout->openCart(orderFor(Flow::upiTiles, "MO-2"));
  RecordingScreen* closing = lastScreen();
  checkout->openCart(orderFor(Flow::upiTiles, "MO-3"));
  RecordingScreen* outliving = lastScreen();

  reporting->report(true, {{"flow", 1}});
  reporting->report(false, {{"flow", "again"}});
  windowNavigation()->removeViewController(closing, false);
  ASSERT_TRUE(waitForOutcomes(2));
  EXPECT_EQ(checkout->seen, (std::vector<Dictionary>{{{"flow", 1}}, kClosed}));
  checkout.reset();
  outliving->report(false, {{"flow", 3}});
  Dictionary closedAudited = kClosed;
  closedAudited["audited"] = true;
  EXPECT_EQ(outcomeData(), (std::vector<Dictionary>{
                               {{"flow", 1}, {"audited", true}}, closedAudited, {{"flow", 3}}}));
}

}  // namespace
}  // namespace tarvel::test
