// The "non-vx" flow: one tracking request, no screen, its answer to the host.
#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/UIFont.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {

// This process's staging API (EntryTestProcess): "GET /v2/rto/track" answers {"data":
// {"tracked": true, "moid": <moid>}, "message": "tracked"}, or a body that is not JSON when
// "moid" is "fail".
LoopbackServer& rtoServer();

namespace {

using TarvelCheckoutRtoTests = EntryTestFixture;

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
    const std::size_t requestsBefore = rtoServer().requestCount();
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
      EXPECT_EQ(apiErrorFromRawValue(outcome.data.value("error", "")), APIError::dataNotFound);
      EXPECT_EQ(checkout.viewModel()->alertMessage(), "Data Not Found");
    }

    const std::vector<RecordedRequest> requests = rtoServer().requests();
    ASSERT_EQ(requests.size(), requestsBefore + 1);
    EXPECT_EQ(requests.back().method + " " + requests.back().path, "GET /v2/rto/track");
    EXPECT_EQ(requests.back().params,
              (httplib::Params{{"request_id", cases[i].requestId}, {"moid", cases[i].moid}}));
    EXPECT_EQ(detail::KeyWindow::ownWindow(), nullptr) << "a flow without a screen opens no window";
  }
}

TEST_F(TarvelCheckoutRtoTests, OverlappingRequestsEachReportOnceAndOutliveTheEntryObject) {
  std::weak_ptr<RecordingHost> watchedHost = host_;
  std::weak_ptr<VerifyOTPViewModel> watchedModel;
  {
    TarvelCheckout checkout(false, host_);
    watchedModel = checkout.viewModel();
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "A"}});
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "fail"}});
  }
  auto host = std::move(host_);
  ASSERT_TRUE(processEventsUntil([&] { return host->outcomes().size() >= 2; }));
  settle();
  const auto outcomes = host->outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_NE(outcomes[0].status, outcomes[1].status);
  host.reset();
  settle();
  EXPECT_TRUE(watchedHost.expired()) << "nothing holds the flow once its answer is delivered";
  EXPECT_TRUE(watchedModel.expired());
}

// The host's start-up warm-up, called twice: one connection to the staging platform (a HEAD,
// never a payment request), the screens' fonts registered off the GUI thread, and nothing for
// any delegate.
TEST_F(TarvelCheckoutRtoTests, WarmUpTwiceConnectsOnceAndReportsNothing) {
  test::LogCapture log;
  const std::size_t requestsBefore = test::rtoServer().requestCount();
  TarvelCheckout checkout(false, host_);
  TarvelCheckout::warmUp();
  TarvelCheckout::warmUp();
  ASSERT_TRUE(test::processEventsUntil([&] { return log.contains("Warm-up: connected to"); }));
  ASSERT_TRUE(test::processEventsUntil([] { return UIFont::registeredFaces().size() == 7; }));
  test::settle();
  EXPECT_TRUE(host_->outcomes().empty());
  const auto requests = test::rtoServer().requests();
  ASSERT_GT(requests.size(), requestsBefore);
  for (auto it = requests.begin() + static_cast<long>(requestsBefore); it != requests.end(); ++it) {
    EXPECT_EQ(it->method, "HEAD");
    EXPECT_EQ(it->path, "/");
  }
}

}  // namespace
}  // namespace tarvel::test
