// Where openCart puts the checkout: the host window it takes over and gives back, or a window
// of its own.
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

}  // namespace
}  // namespace tarvel::test
