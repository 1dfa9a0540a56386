// A host may tear down any of its widgets while a flow runs: the real screens (a recording one
// for the web checkout), deleted or taken away with their window, end the flow once with a
// failure and leave nothing dangling. A tray shop only hides its window, or the component's own.
#include <functional>  // function

#include "EntryTestFixture.h"
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
  const Dictionary orders[] = {
      {{"order_type", "upi"}, {"mid", "m-1"}, {"moid", "mo-1"}},
      {{"order_type", "cod"}, {"upi_app", "paytm"}, {"moid", "mo-2"}},       // pushed
      {{"order_type", "cod"}, {"upi_app", ""}, {"moid", "mo-3"}},            // presented
      {{"order_type", "cod"}, {"upi_app", "customweb"}, {"moid", "mo-4"}}};  // web
  struct Teardown {
    const char* name;
    bool ownWindow;  // no host window: the flow shows in the component's own
    std::function<void(QWidget* window, QWidget* screen)> act;
  };
  const Teardown teardowns[] = {
      {"delete the screen", false, [](QWidget*, QWidget* screen) { screen->deleteLater(); }},
      {"close the window", false, [](QWidget* window, QWidget*) { window->close(); }},
      {"hide the window", false, [](QWidget* window, QWidget*) { window->hide(); }},
      {"delete the window", false, [](QWidget* window, QWidget*) { window->deleteLater(); }},
      {"hide the component's window", true, [](QWidget* window, QWidget*) { window->hide(); }},
  };
  for (const Dictionary& order : orders) {
    for (const Teardown& teardown : teardowns) {
      SCOPED_TRACE(order.dump() + ", " + teardown.name);
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

      teardown.act(window, screen);
      ASSERT_TRUE(waitForOutcomes());
      EXPECT_TRUE(processEventsUntil([&] { return screen.isNull(); }))
          << "an ended flow leaves no screen behind";
      settle();
      const auto outcomes = host_->outcomes();
      ASSERT_EQ(outcomes.size(), 1u);
      EXPECT_FALSE(outcomes[0].status);
      EXPECT_TRUE(outcomes[0].data.value("error", Dictionary()).is_string());
      if (!teardown.ownWindow) delete window.data();
      delete detail::KeyWindow::ownWindow();
      settle();
    }
  }
}

}  // namespace
}  // namespace tarvel::test
