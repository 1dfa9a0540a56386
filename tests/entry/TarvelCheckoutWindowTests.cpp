// Where openCart puts the checkout: the host window it takes over, and the routing table.
#include <gtest/gtest.h>

#include <string>  // string
#include <thread>  // thread

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "platform/HostedViewController.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

const Dictionary kUpiOrder = {{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-1"}};

using TarvelCheckoutWindowTests = test::EntryTestFixture;

TEST_F(TarvelCheckoutWindowTests, TheHostsRootBecomesTheBottomOfANavigationControllerOnce) {
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

  // A later call, from another entry object too, reuses the installed controller.
  TarvelCheckout another(false, host_);
  another.openCart({{"order_type", 42}});
  checkout.openCart(kUpiOrder);
  EXPECT_EQ(window->centralWidget(), navigation);
  EXPECT_EQ(checkout.rootViewController(), bottom);
  EXPECT_EQ(another.rootViewController(), nullptr);
  EXPECT_EQ(factory_->screens.size(), 2u);
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
  QPointer<QWidget> own = KeyWindow::ownWindow();
  ASSERT_TRUE(own);
  EXPECT_TRUE(own->isVisible());
  EXPECT_LT(own->width(), own->height()) << "phone-shaped";
  auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(own));
  ASSERT_NE(navigation, nullptr);
  EXPECT_EQ(checkout.rootViewController(), nullptr);
  EXPECT_EQ(navigation->topViewController(), lastScreen());
  EXPECT_EQ(KeyWindow::currentOrOpen(), own) << "opened once and reused";

  lastScreen()->report(true, {{"paid", true}});
  lastScreen()->navigationController()->popViewController(true);
  ASSERT_TRUE(test::processEventsUntil([&] { return own.isNull(); }));
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr);
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

    auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(&host));
    ASSERT_NE(navigation, nullptr);
    auto* bottom = qobject_cast<HostedViewController*>(checkout.rootViewController());
    EXPECT_EQ(bottom ? bottom->content() : nullptr, withWidget ? shop : nullptr);
    EXPECT_EQ(navigation->popViewController(true), lastScreen());
    if (!withWidget) delete shop;
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

// The routing table ignores such an order; the log tells the host's developer why no outcome
// comes.
TEST_F(TarvelCheckoutWindowTests, AnOrderWithoutATextOrderTypeSaysWhyNothingStarts) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  for (const Dictionary& order :
       {Dictionary::object(), Dictionary{{"order_type", 7}, {"upi_app", ""}}}) {
    SCOPED_TRACE(order.dump());
    test::LogCapture log;
    checkout.openCart(order);
    EXPECT_EQ(log.count("openCart: the order has no text \"order_type\"; no checkout started"), 1u);
  }
  EXPECT_TRUE(factory_->screens.empty());
}

enum class Shown { none, push, modal };

struct Route {
  const char* name;
  Dictionary order;
  const char* screen;  // "upi", "otp", "web" or "" for none
  Shown shown;
};
void PrintTo(const Route& route, std::ostream* os) { *os << route.name; }

class TarvelCheckoutRoutingTests : public test::EntryTestFixture,
                                   public ::testing::WithParamInterface<Route> {};

TEST_P(TarvelCheckoutRoutingTests, OpensTheScreenOfTheTableTheWayTheTableSays) {
  const Route& route = GetParam();
  Dictionary order = route.order;
  order["mid"] = "M-1";
  order["moid"] = "MO-1";
  showHostWindow();
  TarvelCheckout checkout(false, host_);

  checkout.openCart(order);

  NavigationController* navigation = windowNavigation();
  ASSERT_NE(navigation, nullptr) << "the window is prepared for every order";
  if (route.shown == Shown::none) {
    // The "non-vx" request goes to the loopback server; let it finish so the flow lets go.
    if (order["order_type"] == "non-vx") {
      EXPECT_TRUE(waitForOutcomes());
    }
    EXPECT_TRUE(factory_->screens.empty());
    EXPECT_EQ(navigation->viewControllers().size(), 1);
    EXPECT_FALSE(navigation->isNavigationBarHidden()) << "the bar is not touched";
    return;
  }
  ASSERT_EQ(factory_->screens.size(), 1u);
  test::RecordingScreen* screen = lastScreen();
  EXPECT_EQ(screen->kind, route.screen);
  EXPECT_EQ(screen->createData, order) << "the screen gets the whole order unchanged";
  EXPECT_FALSE(screen->production);
  EXPECT_NE(screen->checkoutStatusDelegate(), nullptr);
  EXPECT_TRUE(navigation->isNavigationBarHidden());
  const bool modal = route.shown == Shown::modal;
  EXPECT_EQ(navigation->topViewController() == screen, !modal);
  EXPECT_EQ(navigation->presentedViewController(), modal ? screen : nullptr);
  EXPECT_TRUE(screen->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    RoutingTable, TarvelCheckoutRoutingTests,
    ::testing::Values(
        Route{"NoOrderType", {{"upi_app", "customweb"}}, "", Shown::none},
        Route{"NumericOrderType", {{"order_type", 1}, {"upi_app", ""}}, "", Shown::none},
        Route{"NullOrderType", {{"order_type", nullptr}}, "", Shown::none},
        Route{"NonVx", {{"order_type", "non-vx"}, {"upi_app", "customweb"}}, "", Shown::none},
        Route{
            "UpiCustomWeb", {{"order_type", "upi"}, {"upi_app", "customweb"}}, "web", Shown::push},
        Route{"UpiWithoutApp", {{"order_type", "upi"}}, "upi", Shown::push},
        Route{"UpiEmptyApp", {{"order_type", "upi"}, {"upi_app", ""}}, "upi", Shown::push},
        Route{"UpiNamedApp", {{"order_type", "upi"}, {"upi_app", "phonepe"}}, "upi", Shown::push},
        Route{"UpiNumericApp", {{"order_type", "upi"}, {"upi_app", 3}}, "upi", Shown::push},
        Route{
            "CodCustomWeb", {{"order_type", "cod"}, {"upi_app", "customweb"}}, "web", Shown::push},
        Route{"CodEmptyApp", {{"order_type", "cod"}, {"upi_app", ""}}, "otp", Shown::modal},
        Route{"CodNamedApp", {{"order_type", "cod"}, {"upi_app", "paytm"}}, "otp", Shown::push},
        Route{"CodWithoutApp", {{"order_type", "cod"}}, "otp", Shown::push},
        Route{"CodNumericApp", {{"order_type", "cod"}, {"upi_app", 0}}, "otp", Shown::push},
        Route{"UpperCaseUpi", {{"order_type", "UPI"}, {"upi_app", "paytm"}}, "otp", Shown::push},
        Route{
            "UpperCaseUpiEmptyApp", {{"order_type", "UPI"}, {"upi_app", ""}}, "otp", Shown::modal},
        Route{"CustomWebIsCaseSensitive",
              {{"order_type", "cod"}, {"upi_app", "CustomWeb"}},
              "otp",
              Shown::push},
        Route{"EmptyOrderType", {{"order_type", ""}, {"upi_app", ""}}, "otp", Shown::modal}),
    [](const ::testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvel
