// A host may tear down any of its widgets while a flow runs: the real screens, deleted or
// taken away with their window, end the flow once with a failure and leave nothing dangling.
#include <functional>  // function

#include <QMainWindow>

#include "EntryTestFixture.h"
#include "LogicTestSupport.h"
#include "ServiceScreenFactory.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel::test {
namespace {

using ScreenTeardownTests = EntryTestFixture;

TEST_F(ScreenTeardownTests, TearingDownTheScreenOrItsWindowEndsTheFlowOnceWithAnError) {
  const ScopedReachability online(true);
  struct Flow {
    const char* name;
    Dictionary order;
  };
  const Flow flows[] = {
      {"upi", {{"order_type", "upi"}, {"mid", "m-1"}, {"moid", "mo-1"}}},
      {"otp pushed", {{"order_type", "cod"}, {"upi_app", "paytm"}, {"moid", "mo-2"}}},
      {"otp presented", {{"order_type", "cod"}, {"upi_app", ""}, {"moid", "mo-3"}}},
  };
  struct Teardown {
    const char* name;
    std::function<void(QMainWindow*, QWidget* screen)> act;
  };
  const Teardown teardowns[] = {
      {"delete the screen", [](QMainWindow*, QWidget* screen) { screen->deleteLater(); }},
      {"close the window", [](QMainWindow* window, QWidget*) { window->close(); }},
      {"hide the window", [](QMainWindow* window, QWidget*) { window->hide(); }},
      {"delete the window", [](QMainWindow* window, QWidget*) { window->deleteLater(); }},
  };
  for (const Flow& flow : flows) {
    for (const Teardown& teardown : teardowns) {
      SCOPED_TRACE(std::string(flow.name) + ", " + teardown.name);
      // The component's own screens over a fake service that never answers.
      detail::ScreenFactory::setShared(
          std::make_shared<ServiceScreenFactory>(std::make_shared<FakeAPIService>()));
      host_ = std::make_shared<RecordingHost>();
      QPointer<QMainWindow> window = showHostWindow();
      TarvelCheckout checkout(false, host_);
      checkout.openCart(flow.order);
      QPointer<ViewController> screen = windowNavigation()->visibleViewController();
      ASSERT_TRUE(qobject_cast<CheckoutScreen*>(screen));

      teardown.act(window_.release(), screen);  // the test deletes the window itself
      ASSERT_TRUE(waitForOutcomes());
      settle();
      const auto outcomes = host_->outcomes();
      ASSERT_EQ(outcomes.size(), 1u);
      EXPECT_FALSE(outcomes[0].status);
      EXPECT_TRUE(outcomes[0].data.value("error", Dictionary()).is_string());
      EXPECT_TRUE(screen.isNull()) << "an ended flow leaves no screen behind";
      delete window.data();
      settle();
    }
  }
}

}  // namespace
}  // namespace tarvel::test
