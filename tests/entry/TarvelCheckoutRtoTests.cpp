#include <gtest/gtest.h>

#include <algorithm>  // count_if
#include <memory>     // make_shared, weak_ptr
#include <thread>     // this_thread

#include "EntryTestFixture.h"
#include "LoopbackServer.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

using test::processEventsUntil;

// The "non-vx" flow against a real HTTP server on 127.0.0.1 (the staging API of this process).
class TarvelCheckoutRtoTests : public test::EntryTestFixture {
 protected:
  std::vector<test::RecordedRequest> rtoRequests() const {
    // The server lives for the whole process; earlier tests' requests come first.
    const auto all = test::rtoServer().requests();
    std::vector<test::RecordedRequest> found;
    for (std::size_t i = requestsBefore_; i < all.size(); ++i) {
      if (all[i].path == "/v2/rto/track") found.push_back(all[i]);
    }
    return found;
  }

  std::size_t requestsBefore_ = test::rtoServer().requestCount();
};

TEST_F(TarvelCheckoutRtoTests, AnAcceptedAnswerReachesTheHostWholeOnTheMainThread) {
  QMainWindow* window = showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "non-vx"}, {"request_id", "R-1"}, {"moid", "MO-7"}});

  ASSERT_TRUE(processEventsUntil([&] { return !host_->outcomes().empty(); }));
  const auto outcome = host_->outcomes().front();
  EXPECT_TRUE(outcome.status);
  EXPECT_EQ(outcome.data,
            (Dictionary{{"data", {{"tracked", true}, {"moid", "MO-7"}}}, {"message", "tracked"}}));
  EXPECT_EQ(outcome.thread, std::this_thread::get_id());

  const auto requests = rtoRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].params.find("request_id")->second, "R-1");
  EXPECT_EQ(requests[0].params.find("moid")->second, "MO-7");

  // No screen, and the navigation bar is left alone.
  EXPECT_TRUE(factory_->screens.empty());
  auto* navigation = qobject_cast<NavigationController*>(window->centralWidget());
  ASSERT_NE(navigation, nullptr);
  EXPECT_FALSE(navigation->isNavigationBarHidden());
  EXPECT_EQ(navigation->viewControllers().size(), 1);
}

TEST_F(TarvelCheckoutRtoTests, MissingIdentifiersAreSentAsEmptyValues) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "non-vx"}});

  ASSERT_TRUE(processEventsUntil([&] { return !host_->outcomes().empty(); }));
  const auto requests = rtoRequests();
  ASSERT_EQ(requests.size(), 1u);
  ASSERT_EQ(requests[0].params.count("request_id"), 1u);
  ASSERT_EQ(requests[0].params.count("moid"), 1u);
  EXPECT_EQ(requests[0].params.find("request_id")->second, "");
  EXPECT_EQ(requests[0].params.find("moid")->second, "");
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr) << "a flow without a screen opens no window";
}

TEST_F(TarvelCheckoutRtoTests, IdentifiersOfOtherTypesArePassedOnAsFound) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "non-vx"}, {"request_id", 991}, {"moid", "MO 1&x"}});

  ASSERT_TRUE(processEventsUntil([&] { return !host_->outcomes().empty(); }));
  const auto requests = rtoRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].params.find("request_id")->second, "991");
  EXPECT_EQ(requests[0].params.find("moid")->second, "MO 1&x");
}

TEST_F(TarvelCheckoutRtoTests, AFailedRequestReachesTheHostAsAFailureOnTheMainThread) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "non-vx"}, {"request_id", "R-2"}, {"moid", "fail"}});

  ASSERT_TRUE(processEventsUntil([&] { return !host_->outcomes().empty(); }));
  const auto outcome = host_->outcomes().front();
  EXPECT_FALSE(outcome.status);
  EXPECT_EQ(outcome.data, (Dictionary{{"error", "Data Not Found"}}));
  EXPECT_EQ(outcome.thread, std::this_thread::get_id());
  EXPECT_EQ(checkout.viewModel()->alertMessage(), "Data Not Found");
}

TEST_F(TarvelCheckoutRtoTests, OverlappingRequestsEachReportOnce) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "non-vx"}, {"moid", "A"}});
  checkout.openCart({{"order_type", "non-vx"}, {"moid", "fail"}});

  ASSERT_TRUE(processEventsUntil([&] { return host_->outcomes().size() == 2; }));
  test::settle();
  const auto outcomes = host_->outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.status; }),
            1);
}

TEST_F(TarvelCheckoutRtoTests, TheRequestOutlivesTheEntryObjectAndThenLetsGo) {
  std::weak_ptr<test::RecordingHost> watchedHost = host_;
  std::weak_ptr<VerifyOTPViewModel> watchedModel;
  {
    TarvelCheckout checkout(false, host_);
    watchedModel = checkout.viewModel();
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "MO-9"}});
  }
  auto host = host_;
  host_.reset();
  ASSERT_TRUE(processEventsUntil([&] { return !host->outcomes().empty(); }));
  EXPECT_TRUE(host->outcomes().front().status);
  host.reset();
  test::settle();
  EXPECT_TRUE(watchedHost.expired()) << "nothing holds the flow once its answer is delivered";
  EXPECT_TRUE(watchedModel.expired());
}

TEST_F(TarvelCheckoutRtoTests, TheViewModelIsReplaceable) {
  TarvelCheckout checkout(false, host_);
  ASSERT_NE(checkout.viewModel(), nullptr) << "made at construction";
  auto model = std::make_shared<VerifyOTPViewModel>(nullptr, Dictionary::object());
  checkout.setViewModel(model);
  EXPECT_EQ(checkout.viewModel(), model);

  checkout.openCart({{"order_type", "non-vx"}, {"moid", "MO-3"}});
  ASSERT_TRUE(processEventsUntil([&] { return !host_->outcomes().empty(); }));
  EXPECT_EQ(model->rtoSuccessData(), host_->outcomes().front().data);
}

}  // namespace
}  // namespace tarvel
