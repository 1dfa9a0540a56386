#include <gtest/gtest.h>

#include <memory>  // make_shared

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include "EntryTestFixture.h"
#include "platform/HostedViewController.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

using test::EntryTestFixture;

const Dictionary kUpiOrder = {{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-1"}};

using TarvelCheckoutWindowTests = EntryTestFixture;

TEST_F(TarvelCheckoutWindowTests, TheHostsRootBecomesTheBottomOfANewNavigationController) {
  auto* shop = new QLabel("host shop");
  QMainWindow* window = showHostWindow(shop);
  TarvelCheckout checkout(false, host_);
  EXPECT_EQ(checkout.rootViewController(), nullptr);

  checkout.openCart(kUpiOrder);

  auto* navigation = qobject_cast<NavigationController*>(window->centralWidget());
  ASSERT_NE(navigation, nullptr);
  ASSERT_EQ(navigation->viewControllers().size(), 2);
  auto* bottom = qobject_cast<HostedViewController*>(navigation->viewControllers().front());
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->content(), shop) << "the host's own widget, not a copy";
  EXPECT_EQ(checkout.rootViewController(), bottom);
  EXPECT_EQ(navigation->topViewController(), lastScreen());
  EXPECT_TRUE(window->isVisible());
}

TEST_F(TarvelCheckoutWindowTests, AHostRootThatIsAScreenGoesOnTheStackAsItIs) {
  auto* hostScreen = new ViewController;
  QMainWindow* window = showHostWindow(hostScreen);
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);

  auto* navigation = qobject_cast<NavigationController*>(window->centralWidget());
  ASSERT_NE(navigation, nullptr);
  EXPECT_EQ(navigation->viewControllers().front(), hostScreen);
  EXPECT_EQ(checkout.rootViewController(), hostScreen);
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

TEST_F(TarvelCheckoutWindowTests, ALaterCallReusesTheInstalledControllerAndKeepsTheFormerRoot) {
  QMainWindow* window = showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
  QWidget* installed = window->centralWidget();
  ViewController* formerRoot = checkout.rootViewController();

  TarvelCheckout another(false, host_);
  another.openCart({{"order_type", 42}});
  checkout.openCart(kUpiOrder);

  EXPECT_EQ(window->centralWidget(), installed);
  EXPECT_EQ(checkout.rootViewController(), formerRoot);
  EXPECT_EQ(another.rootViewController(), nullptr);
  EXPECT_EQ(factory_->screens.size(), 2u);
}

TEST_F(TarvelCheckoutWindowTests, WithoutAHostWindowTheComponentOpensItsOwn) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);

  QWidget* own = KeyWindow::ownWindow();
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(own->isVisible());
  auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(own));
  ASSERT_NE(navigation, nullptr);
  EXPECT_EQ(navigation->topViewController(), lastScreen());
  EXPECT_EQ(checkout.rootViewController(), nullptr);
}

TEST_F(TarvelCheckoutWindowTests, TheOwnWindowClosesWhenItsFlowHasEnded) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart(kUpiOrder);
  QPointer<QWidget> own = KeyWindow::ownWindow();
  ASSERT_TRUE(own);

  test::RecordingScreen* screen = lastScreen();
  screen->report(true, {{"paid", true}});
  screen->navigationController()->popViewController(true);

  ASSERT_TRUE(test::processEventsUntil([&] { return own.isNull(); }));
  ASSERT_EQ(host_->outcomes().size(), 1u);
}

TEST_F(TarvelCheckoutWindowTests, AWindowWithoutRootGetsTheControllerAndScreensCanStillPop) {
  window_.reset();
  auto bare = std::make_unique<QWidget>();
  bare->resize(375, 667);
  bare->show();
  TarvelCheckout checkout(false, host_);

  checkout.openCart(kUpiOrder);

  auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(bare.get()));
  ASSERT_NE(navigation, nullptr);
  EXPECT_EQ(checkout.rootViewController(), nullptr);
  EXPECT_EQ(navigation->topViewController(), lastScreen());
  EXPECT_EQ(navigation->popViewController(true), lastScreen())
      << "a blank bottom screen lets the flow's screen pop itself";
}

TEST_F(TarvelCheckoutWindowTests, APlainWindowsSingleWidgetIsItsRoot) {
  window_.reset();
  auto host = std::make_unique<QWidget>();
  auto* layout = new QVBoxLayout(host.get());
  auto* shop = new QLabel("shop");
  layout->addWidget(shop);
  host->show();
  TarvelCheckout checkout(false, host_);

  checkout.openCart(kUpiOrder);

  auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(host.get()));
  ASSERT_NE(navigation, nullptr);
  auto* bottom = qobject_cast<HostedViewController*>(checkout.rootViewController());
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->content(), shop);
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
  second.openCart(kUpiOrder);
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
