// A host may tear down any of its widgets while a flow runs: the real screens (a recording one
// for the web checkout), deleted or taken away with their window, end the flow once with a
// failure that names the screen and leave nothing dangling; a report the screen posted in the
// same turn (like a back button's) is the outcome instead, and a report after the end is
// dropped. A tray shop only hides its window, or the component's own.
#include <functional>  // function

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "LogicTestSupport.h"
#include "ServiceScreenFactory.h"

namespace tarvel::test {
namespace {

using ScreenTeardownTests = EntryTestFixture;

struct Screens : ServiceScreenFactory {
  using ServiceScreenFactory::ServiceScreenFactory;
  CheckoutScreen* makeWebCheckout(const Dictionary& data, bool production) override {
    return new RecordingScreen("web", data, production);
  }
};

TEST_F(ScreenTeardownTests, TearingDownTheScreenOrItsWindowEndsTheFlowOnceWithAnError) {
  const ScopedReachability online(true);
  const std::pair<Dictionary, std::string> orders[] = {
      {{{"order_type", "upi"}, {"mid", "m-1"}, {"moid", "mo-1"}}, "UpiCheckoutViewController"},
      {{{"order_type", "cod"}, {"upi_app", "paytm"}, {"moid", "mo-2"}},  // pushed
       "VerifyOTPViewController"},
      {{{"order_type", "cod"}, {"upi_app", ""}, {"moid", "mo-3"}},  // presented
       "VerifyOTPViewController"},
      {{{"order_type", "cod"}, {"upi_app", "customweb"}, {"moid", "mo-4"}}, "CustomeCheckout"}};
  struct Teardown {
    const char* name;
    bool ownWindow;    // no host window: the flow shows in the component's own
    bool postsReport;  // the screen posts a report in the same turn
    std::function<void(QWidget* window, QWidget* screen)> act;
  };
  const Teardown teardowns[] = {
      {"delete the screen", false, false, [](QWidget*, QWidget* screen) { screen->deleteLater(); }},
      {"report, then delete the screen", false, true,
       [](QWidget*, QWidget* screen) { screen->deleteLater(); }},
      {"close the window", false, false, [](QWidget* window, QWidget*) { window->close(); }},
      {"hide the window", false, false, [](QWidget* window, QWidget*) { window->hide(); }},
      {"delete the window", false, false, [](QWidget* window, QWidget*) { window->deleteLater(); }},
      {"hide the component's window", true, false,
       [](QWidget* window, QWidget*) { window->hide(); }},
  };
  for (const auto& [order, screenName] : orders) {
    for (const Teardown& teardown : teardowns) {
      SCOPED_TRACE(order.dump() + ", " + teardown.name);
      LogCapture log;
      // The component's own screens over a fake service that never answers.
      detail::ScreenFactory::setShared(
          std::make_shared<Screens>(std::make_shared<FakeAPIService>()));
      host_ = std::make_shared<RecordingHost>();
      if (!teardown.ownWindow) showHostWindow();
      TarvelCheckout checkout(false, host_);
      checkout.openCart(order);
      // The test deletes the window itself.
      QPointer<QWidget> window =
          teardown.ownWindow ? detail::KeyWindow::ownWindow() : window_.release();
      auto* navigation =
          qobject_cast<NavigationController*>(detail::KeyWindow::rootWidget(window.data()));
      ASSERT_TRUE(navigation);
      QPointer<ViewController> screen = navigation->visibleViewController();
      ASSERT_TRUE(qobject_cast<CheckoutScreen*>(screen));
      const auto delegate = qobject_cast<CheckoutScreen*>(screen)->checkoutStatusDelegate();

      if (teardown.postsReport) {
        detail::MainQueue::async([=] { delegate->checkOutCompleted(false, {{"back", 1}}); });
      }
      teardown.act(window, screen);
      ASSERT_TRUE(waitForOutcomes());
      EXPECT_TRUE(processEventsUntil([&] { return screen.isNull(); }))
          << "an ended flow leaves no screen behind";
      settle();
      delegate->checkOutCompleted(true, {{"late", true}});
      const auto outcomes = host_->outcomes();
      ASSERT_EQ(outcomes.size(), 1u);
      EXPECT_FALSE(outcomes[0].status);
      const Dictionary closed = {
          {"error", screenName + " was closed before the checkout finished."}};
      EXPECT_EQ(outcomes[0].data, (teardown.postsReport ? Dictionary{{"back", 1}} : closed));
      EXPECT_TRUE(log.contains("Dropped a second outcome of " + screenName));
      if (!teardown.ownWindow) delete window.data();
      delete detail::KeyWindow::ownWindow();
      settle();
    }
  }
}

}  // namespace
}  // namespace tarvel::test
