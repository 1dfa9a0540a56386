// Exactly one outcome per flow: from a screen, from a closed screen, and from the "non-vx"
// tracking request against the loopback server.
#include <gtest/gtest.h>

#include <memory>  // weak_ptr
#include <string>  // string
#include <thread>  // this_thread
#include <vector>  // vector

#include <QPushButton>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "entry/UnavailableFlowScreen.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

using test::settle;

const Dictionary kUpiOrder = {{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-1"}};
const Dictionary kModalOrder = {{"order_type", "cod"}, {"upi_app", ""}, {"moid", "MO-1"}};

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
  checkout.setCheckoutStatusDelegate(nullptr);
  checkout.openCart(kUpiOrder);
  lastScreen()->report(true, Dictionary::object());

  ASSERT_EQ(host_->outcomes().size(), 2u);
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data, result);
  EXPECT_EQ(host_->outcomes()[0].thread, std::this_thread::get_id());
  EXPECT_EQ(host_->outcomes()[1].data, (Dictionary{{"flow", 1}}));
  EXPECT_TRUE(log.contains("Dropped a second outcome of VerifyOTPViewController"));
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
    if (postReport) MainQueue::async([=] { delegate->checkOutCompleted(false, {{"back", 1}}); });
    settle();
    delegate->checkOutCompleted(true, {{"late", true}});

    ASSERT_EQ(host_->outcomes().size(), 1u);
    EXPECT_FALSE(host_->outcomes()[0].status);
    EXPECT_EQ(host_->outcomes()[0].data, (postReport ? Dictionary{{"back", 1}} : closed));
    EXPECT_TRUE(log.contains("Dropped a second outcome"));
    host_ = std::make_shared<test::RecordingHost>();
  }
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

// The default factory's stand-ins for the screens this build does not contain: closing one
// pops (or dismisses) it and reports a failure.
TEST_F(TarvelCheckoutOutcomeTests, APlaceholderScreenReportsAFailureWhenClosed) {
  ScreenFactory::setShared(nullptr);
  showHostWindow();
  TarvelCheckout checkout(true, host_);
  struct Case {
    Dictionary order;
    bool modal;
    const char* error;
  };
  const std::vector<Case> cases = {
      {kUpiOrder, false, "UPI payment is not available in this build."}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].error);
    checkout.openCart(cases[i].order);
    NavigationController* navigation = windowNavigation();
    QPointer<UnavailableFlowScreen> screen = qobject_cast<UnavailableFlowScreen*>(
        cases[i].modal ? navigation->presentedViewController() : navigation->topViewController());
    ASSERT_TRUE(screen);
    EXPECT_TRUE(screen->isProduction());
    EXPECT_EQ(screen->createData(), cases[i].order);

    screen->closeButton()->click();
    settle();

    ASSERT_EQ(host_->outcomes().size(), i + 1);
    EXPECT_FALSE(host_->outcomes()[i].status);
    EXPECT_EQ(host_->outcomes()[i].data, (Dictionary{{"error", cases[i].error}}));
    EXPECT_FALSE(screen) << "closed";
    EXPECT_EQ(navigation->viewControllers().size(), 1);
    EXPECT_EQ(navigation->presentedViewController(), nullptr);
  }
}

// The "non-vx" flow against a real HTTP server on 127.0.0.1.
using TarvelCheckoutRtoTests = test::EntryTestFixture;

TEST_F(TarvelCheckoutRtoTests, SendsTheIdentifiersAndReportsTheAnswerOnTheMainThread) {
  struct Case {
    Dictionary order;
    std::string requestId;
    std::string moid;
    bool status;
  };
  const std::vector<Case> cases = {
      {{{"request_id", "R-1"}, {"moid", "MO-7"}}, "R-1", "MO-7", true},
      {Dictionary::object(), "", "", true},  // missing identifiers are sent empty
      {{{"request_id", 991}, {"moid", "MO 1&x"}}, "991", "MO 1&x", true},
      {{{"request_id", "R-2"}, {"moid", "fail"}}, "R-2", "fail", false}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].order.dump());
    const std::size_t requestsBefore = test::rtoServer().requestCount();
    Dictionary order = cases[i].order;
    order["order_type"] = "non-vx";
    TarvelCheckout checkout(false, host_);
    checkout.openCart(order);

    ASSERT_TRUE(waitForOutcomes(i + 1));
    const auto outcome = host_->outcomes()[i];
    EXPECT_EQ(outcome.status, cases[i].status);
    EXPECT_EQ(outcome.thread, std::this_thread::get_id());
    if (cases[i].status) {
      EXPECT_EQ(outcome.data, (Dictionary{{"data", {{"tracked", true}, {"moid", cases[i].moid}}},
                                          {"message", "tracked"}}));
    } else {
      EXPECT_EQ(outcome.data, (Dictionary{{"error", "Data Not Found"}}));
      EXPECT_EQ(checkout.viewModel()->alertMessage(), "Data Not Found");
    }

    std::vector<test::RecordedRequest> requests = test::rtoServer().requests();
    requests.erase(requests.begin(), requests.begin() + static_cast<long>(requestsBefore));
    std::erase_if(requests, [](const auto& r) { return r.path != "/v2/rto/track"; });
    ASSERT_EQ(requests.size(), 1u);
    const test::RecordedRequest& request = requests.front();
    EXPECT_EQ(request.method, "GET");
    ASSERT_EQ(request.params.count("request_id"), 1u);
    ASSERT_EQ(request.params.count("moid"), 1u);
    EXPECT_EQ(request.params.find("request_id")->second, cases[i].requestId);
    EXPECT_EQ(request.params.find("moid")->second, cases[i].moid);
    EXPECT_EQ(KeyWindow::ownWindow(), nullptr) << "a flow without a screen opens no window";
  }
}

TEST_F(TarvelCheckoutRtoTests, OverlappingRequestsEachReportOnceAndOutliveTheEntryObject) {
  std::weak_ptr<test::RecordingHost> watchedHost = host_;
  std::weak_ptr<VerifyOTPViewModel> watchedModel;
  {
    TarvelCheckout checkout(false, host_);
    watchedModel = checkout.viewModel();
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "A"}});
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "fail"}});
  }
  auto host = std::move(host_);
  ASSERT_TRUE(test::processEventsUntil([&] { return host->outcomes().size() >= 2; }));
  test::settle();
  const auto outcomes = host->outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_NE(outcomes[0].status, outcomes[1].status);
  host.reset();
  test::settle();
  EXPECT_TRUE(watchedHost.expired()) << "nothing holds the flow once its answer is delivered";
  EXPECT_TRUE(watchedModel.expired());
}

}  // namespace
}  // namespace tarvel
