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

TEST_F(TarvelCheckoutWindowTests, ANavigationControllerAlreadyAtTheRootIsKept) {
  auto* hostScreen = new ViewController;
  auto* hostNavigation = new NavigationController(hostScreen);
  QMainWindow* window = showHostWindow(hostNavigation);
  TarvelCheckout checkout(false, host_);

  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  checkout.openCart({{"order_type", "cod"}, {"upi_app", "paytm"}});

  EXPECT_EQ(window->centralWidget(), hostNavigation);
  EXPECT_EQ(hostNavigation->viewControllers().size(), 3);
  EXPECT_EQ(hostNavigation->viewControllers().front(), hostScreen);
  EXPECT_EQ(hostNavigation->topViewController(), lastScreen());
  EXPECT_EQ(checkout.rootViewController(), nullptr) << "rootViewController stays unchanged";
}

TEST_F(TarvelCheckoutWindowTests, WithoutAHostWindowTheComponentOpensItsOwnAndClosesItAfter) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));
  QPointer<QWidget> own = detail::KeyWindow::ownWindow();
  ASSERT_TRUE(own);
  EXPECT_TRUE(own->isVisible());
  EXPECT_LT(own->width(), own->height()) << "phone-shaped";
  auto* navigation = qobject_cast<NavigationController*>(detail::KeyWindow::rootWidget(own));
  ASSERT_NE(navigation, nullptr);
  EXPECT_EQ(checkout.rootViewController(), nullptr);
  EXPECT_EQ(navigation->topViewController(), lastScreen());
  EXPECT_EQ(detail::KeyWindow::currentOrOpen(), own) << "opened once and reused";

  lastScreen()->report(true, {{"paid", true}});
  lastScreen()->navigationController()->popViewController(true);
  ASSERT_TRUE(processEventsUntil([&] { return own.isNull(); }));
  EXPECT_EQ(detail::KeyWindow::ownWindow(), nullptr);
  ASSERT_EQ(host_->outcomes().size(), 1u);
}

// A plain window's single widget is its root; a window without one gets a blank bottom screen,
// so the flow's screen can still pop itself.
TEST_F(TarvelCheckoutWindowTests, APlainWindowsSingleWidgetOrABlankScreenIsTheBottom) {
  for (bool withWidget : {true, false}) {
    SCOPED_TRACE(withWidget);
    QWidget host;
    auto* shop = new QLabel("shop");
    if (withWidget) (new QVBoxLayout(&host))->addWidget(shop);
    host.show();
    TarvelCheckout checkout(false, host_);
    checkout.openCart(orderFor(Flow::upiTiles, "MO-1"));

    auto* navigation = qobject_cast<NavigationController*>(detail::KeyWindow::rootWidget(&host));
    ASSERT_NE(navigation, nullptr);
    auto* bottom = qobject_cast<detail::HostWidgetViewController*>(checkout.rootViewController());
    EXPECT_EQ(bottom ? bottom->content() : nullptr, withWidget ? shop : nullptr);
    EXPECT_EQ(navigation->popViewController(true), lastScreen());
    settle();
    EXPECT_EQ(detail::KeyWindow::rootWidget(&host), withWidget ? shop : nullptr) << "given back";
    if (!withWidget) delete shop;
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
