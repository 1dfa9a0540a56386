// Where openCart puts the checkout: the host window it takes over and gives back, or a window
// of its own; a window hidden under a flow.
#include <thread>  // thread

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "EntryTestFixture.h"
#include "platform/HostWidgetViewController.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

const Dictionary kUpiOrder = {{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-1"}};

Dictionary withMoid(Dictionary order, const char* moid) {
  order["moid"] = moid;
  return order;
}

using test::settle;

using TarvelCheckoutWindowTests = test::EntryTestFixture;

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
  checkout.openCart(kUpiOrder);
  QPointer<test::RecordingScreen> first = lastScreen();
  TarvelCheckout another(false, host_);
  another.openCart({{"order_type", 42}});
  another.openCart(withMoid(kUpiOrder, "MO-2"));

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
  ASSERT_TRUE(test::processEventsUntil([&] { return !navigation; }));
  EXPECT_EQ(window->centralWidget(), shop);
  EXPECT_TRUE(shop->isVisible());
  EXPECT_TRUE(test::processEventsUntil([&] { return shop->size() == size; }));
  EXPECT_EQ(window->focusWidget(), field);
  EXPECT_EQ(host_->outcomes().size(), 3u);
}

TEST_F(TarvelCheckoutWindowTests, ANavigationControllerAlreadyAtTheRootIsKept) {
  auto* hostScreen = new ViewController;
  auto* hostNavigation = new NavigationController(hostScreen);
  QMainWindow* window = showHostWindow(hostNavigation);
  TarvelCheckout checkout(false, host_);

  checkout.openCart(kUpiOrder);
  checkout.openCart({{"order_type", "cod"}, {"upi_app", "paytm"}});

  EXPECT_EQ(window->centralWidget(), hostNavigation);
  EXPECT_EQ(hostNavigation->viewControllers().size(), 3);
  EXPECT_EQ(hostNavigation->viewControllers().front(), hostScreen);
  EXPECT_EQ(hostNavigation->topViewController(), lastScreen());
  EXPECT_EQ(checkout.rootViewController(), nullptr) << "rootViewController stays unchanged";
}

TEST_F(TarvelCheckoutWindowTests, WithoutAHostWindowTheComponentOpensItsOwnAndClosesItAfter) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
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
  ASSERT_TRUE(test::processEventsUntil([&] { return own.isNull(); }));
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
    checkout.openCart(kUpiOrder);

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

// A tray shop only hides its window: a flow shown there (the web checkout here; the native
// screens in ScreenTeardownTests), or in the component's own window, ends once and stops.
TEST_F(TarvelCheckoutWindowTests, AWindowHiddenUnderAFlowEndsItOnce) {
  const Dictionary web = {{"order_type", "cod"}, {"upi_app", "customweb"}};
  for (const bool hostWindow : {true, false}) {
    SCOPED_TRACE(hostWindow ? "web checkout in the host's window" : "the component's window");
    host_ = std::make_shared<test::RecordingHost>();
    if (hostWindow) showHostWindow();
    TarvelCheckout checkout(false, host_);
    checkout.openCart(hostWindow ? web : kUpiOrder);
    QPointer<test::RecordingScreen> screen = lastScreen();
    ASSERT_TRUE(screen && screen->isVisible());
    (hostWindow ? window_.get() : detail::KeyWindow::ownWindow())->hide();
    ASSERT_TRUE(waitForOutcomes());
    ASSERT_TRUE(test::processEventsUntil([&] { return !screen; })) << "the screen stops";
    settle();
    ASSERT_EQ(host_->outcomes().size(), 1u);
    EXPECT_FALSE(host_->outcomes()[0].status);
    const std::string name = hostWindow ? "CustomeCheckout" : "UpiCheckoutViewController";
    EXPECT_EQ(host_->outcomes()[0].data,
              (Dictionary{{"error", name + " was closed before the checkout finished."}}));
    window_.reset();
    delete detail::KeyWindow::ownWindow();
    settle();
  }
}

TEST_F(TarvelCheckoutWindowTests, EnvironmentOfTheLastEntryObjectWins) {
  showHostWindow();
  TarvelCheckout first(true, host_);
  EXPECT_EQ(NetworkManager::environment(), Environment::production);
  TarvelCheckout second(false, host_);
  EXPECT_EQ(NetworkManager::environment(), Environment::staging);

  first.openCart(kUpiOrder);
  EXPECT_FALSE(lastScreen()->production) << "the first object's flow uses the last setting";
  TarvelCheckout third(true, host_);
  second.openCart(withMoid(kUpiOrder, "MO-2"));
  EXPECT_TRUE(lastScreen()->production);
}

TEST_F(TarvelCheckoutWindowTests, OpenCartFromAWorkerThreadRunsOnTheMainThread) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  std::thread worker([&] { checkout.openCart(kUpiOrder); });
  worker.join();
  ASSERT_TRUE(test::processEventsUntil([&] { return lastScreen() != nullptr; }));
  EXPECT_EQ(windowNavigation()->topViewController(), lastScreen());
}

}  // namespace
}  // namespace tarvel
