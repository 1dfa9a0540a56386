#include "tarvel/VerifyOTPViewModel.h"

#include <gtest/gtest.h>

#include <memory>  // shared_ptr, make_shared, weak_ptr
#include <string>  // string
#include <vector>  // vector

#include "LogCapture.h"
#include "LogicTestSupport.h"

namespace tarvel {
namespace {

using test::EventLog;
using test::FakeAPIService;
using test::ScopedReachability;
using Events = std::vector<std::string>;

const Dictionary kCreateData = {{"mid", "M-1"},      {"phone", "9876543210"}, {"order_type", "cod"},
                                {"moid", "order-7"}, {"request_id", "R-1"},   {"upi_app", ""}};

class VerifyOTPViewModelTests : public ::testing::Test {
 protected:
  std::shared_ptr<VerifyOTPViewModel> makeViewModel(Dictionary createData = kCreateData) {
    auto viewModel = std::make_shared<VerifyOTPViewModel>(service_, std::move(createData));
    VerifyOTPViewModel* vm = viewModel.get();
    viewModel->showAlertClosure = [this, vm] { events_.add("alert:" + vm->alertMessage().value_or("-")); };
    viewModel->updateLoadingStatus = [this, vm] {
      events_.add(vm->isLoading() ? "loading:true" : "loading:false");
    };
    viewModel->onSuccessSendOtp = [this] { events_.add("sent"); };
    viewModel->onSuccessVerifyOtp = [this] { events_.add("verified"); };
    viewModel->onSuccessRto = [this](const Dictionary& response) { events_.add("rto:" + response.dump()); };
    viewModel->onFailureRto = [this](const std::string& text) { events_.add("rtoFailure:" + text); };
    viewModel->updateOTPVerifyingStatus = [this] { events_.add("otpVerifying"); };
    return viewModel;
  }

  // A pending tracking completion holds its view model, which holds the service.
  void TearDown() override { service_->dropPending(); }

  ScopedReachability online_{true};
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  EventLog events_;
};

// --- request parameters ----------------------------------------------------------------------

TEST_F(VerifyOTPViewModelTests, SendAndResendCarryTheOrdersTextIdentifiers) {
  auto viewModel = makeViewModel();
  viewModel->callSendOtp();
  viewModel->callReSendOtp();

  const Dictionary expected = {
      {"mid", "M-1"}, {"phone", "9876543210"}, {"order_type", "cod"}, {"moid", "order-7"}};
  EXPECT_EQ(service_->call(0).operation, "sendOtp");
  EXPECT_EQ(service_->call(0).params, expected);
  EXPECT_EQ(service_->call(1).operation, "reSendOtp");
  EXPECT_EQ(service_->call(1).params, expected);
}

TEST_F(VerifyOTPViewModelTests, SendLeavesOutMissingAndNonTextValues) {
  auto viewModel = makeViewModel({{"mid", 12}, {"order_type", "cod"}, {"moid", nullptr}});
  viewModel->callSendOtp();
  EXPECT_EQ(service_->lastCall().params, (Dictionary{{"order_type", "cod"}}));

  auto empty = makeViewModel(Dictionary());
  empty->callReSendOtp();
  EXPECT_EQ(service_->lastCall().params, Dictionary::object());
  EXPECT_EQ(empty->getOrderVerifyData(), Dictionary::object());
}

TEST_F(VerifyOTPViewModelTests, VerifySendsPhoneAndMoidTogetherOrNeither) {
  makeViewModel()->callVerifyOtp("1234");
  EXPECT_EQ(service_->lastCall().operation, "verifyOtp");
  EXPECT_EQ(service_->lastCall().params,
            (Dictionary{{"phone", "9876543210"}, {"moid", "order-7"}, {"otp", "1234"}}));

  makeViewModel({{"phone", "9876543210"}})->callVerifyOtp("0000");
  EXPECT_EQ(service_->lastCall().params, (Dictionary{{"otp", "0000"}}));

  makeViewModel({{"phone", 9876543210}, {"moid", "order-7"}})->callVerifyOtp("");
  EXPECT_EQ(service_->lastCall().params, (Dictionary{{"otp", ""}}));
}

// --- send and resend answers -----------------------------------------------------------------

TEST_F(VerifyOTPViewModelTests, SendAnswerEndsLoadingThenStoresTheResponse) {
  auto viewModel = makeViewModel();
  viewModel->callSendOtp();
  EXPECT_TRUE(viewModel->isLoading());

  service_->completeLast(Dictionary{{"sent", true}});
  viewModel->callReSendOtp();
  service_->completeLast(std::nullopt, APIError::dataNotFound);
  viewModel->callReSendOtp();
  service_->completeLast(std::nullopt);

  EXPECT_EQ(events_.events(),
            (Events{"loading:true", "loading:false", "sent", "loading:true", "loading:false",
                    "alert:Data Not Found", "loading:true", "loading:false"}));
  EXPECT_EQ(viewModel->otpSuccessData(), (Dictionary{{"sent", true}}));
}

// --- verification answers --------------------------------------------------------------------

TEST_F(VerifyOTPViewModelTests, StatusCode200AsANumberAcceptsTheOtp) {
  auto viewModel = makeViewModel();
  const Dictionary accepted = {{"statusCode", 200}, {"statusMessage", "OK"}};
  viewModel->callVerifyOtp("1234");
  events_.clear();

  service_->completeLast(accepted);

  EXPECT_EQ(events_.events(), (Events{"loading:false", "verified"}));
  EXPECT_EQ(viewModel->otpVerifyData(), accepted);
  EXPECT_FALSE(viewModel->alertMessage());
}

TEST_F(VerifyOTPViewModelTests, AnyOtherStatusCodeRejectsWithTheServersMessage) {
  struct Case {
    Dictionary answer;
    std::string alert;
  };
  const std::vector<Case> cases = {
      {{{"statusCode", "200"}, {"statusMessage", "Invalid OTP"}}, "Invalid OTP"},
      {{{"statusCode", 400}, {"statusMessage", "Expired"}}, "Expired"},
      {{{"statusCode", 200.5}}, "Something went wrong!"},
      {{{"statusCode", 401}, {"statusMessage", 5}}, "Something went wrong!"},
      {{{"status", false}}, "Something went wrong!"},
  };
  for (const auto& [answer, alert] : cases) {
    auto viewModel = makeViewModel();
    viewModel->callVerifyOtp("1234");
    events_.clear();
    service_->completeLast(answer);
    EXPECT_EQ(events_.events(), (Events{"loading:false", "alert:" + alert})) << answer.dump();
    EXPECT_FALSE(viewModel->otpVerifyData());
  }
}

TEST_F(VerifyOTPViewModelTests, VerifyErrorAlertsWithItsText) {
  auto viewModel = makeViewModel();
  viewModel->callVerifyOtp("1234");
  events_.clear();
  service_->completeLast(std::nullopt, APIError::noNetwork);
  EXPECT_EQ(events_.events(), (Events{"loading:false", "alert:No Network"}));
}

// --- offline and lifetime --------------------------------------------------------------------

TEST_F(VerifyOTPViewModelTests, OfflineOtpCallsSendNothingButTrackingStillGoesOut) {
  auto viewModel = makeViewModel();
  ScopedReachability offline(false);

  viewModel->callSendOtp();
  viewModel->callReSendOtp();
  viewModel->callVerifyOtp("1234");
  viewModel->appAnalytics({{"eventType", "otp_dialog_load"}});
  EXPECT_EQ(service_->callCount(), 0u);

  viewModel->completeOrder({{"request_id", ""}, {"moid", ""}});
  ASSERT_EQ(service_->callCount(), 1u);
  EXPECT_EQ(service_->lastCall().operation, "completeOrder");
  EXPECT_EQ(events_.events(), (Events(4, "alert:No Network")));
}

TEST_F(VerifyOTPViewModelTests, ReleasedViewModelIgnoresLateOtpAnswers) {
  auto viewModel = makeViewModel();
  viewModel->callSendOtp();
  viewModel->callVerifyOtp("1234");
  std::weak_ptr<VerifyOTPViewModel> watcher = viewModel;
  events_.clear();

  viewModel.reset();
  ASSERT_TRUE(watcher.expired());
  service_->complete(0, Dictionary{{"sent", true}});
  service_->complete(1, Dictionary{{"statusCode", 200}});

  EXPECT_TRUE(events_.events().empty());
}

// --- RTO tracking ----------------------------------------------------------------------------

TEST_F(VerifyOTPViewModelTests, TrackingSendsParamsUnchangedAndHandsTheAnswerOn) {
  auto viewModel = makeViewModel(Dictionary::object());
  const Dictionary params = {{"request_id", 77}, {"moid", ""}};
  const Dictionary answer = {{"data", {{"rto", "low"}}}};

  viewModel->completeOrder(params);
  EXPECT_FALSE(viewModel->isLoading());
  EXPECT_TRUE(events_.events().empty()) << "nothing fires before the answer";
  service_->completeLast(answer);

  EXPECT_EQ(service_->lastCall().params, params);
  EXPECT_EQ(events_.events(), (Events{"loading:false", "rto:" + answer.dump()}));
  EXPECT_EQ(viewModel->rtoSuccessData(), answer);
}

TEST_F(VerifyOTPViewModelTests, TrackingHoldsTheViewModelUntilItsAnswer) {
  auto viewModel = makeViewModel(Dictionary::object());
  std::weak_ptr<VerifyOTPViewModel> watcher = viewModel;

  viewModel->completeOrder({{"request_id", "R-1"}, {"moid", "order-7"}});
  viewModel.reset();
  ASSERT_FALSE(watcher.expired()) << "the tracking request keeps its view model";
  service_->completeLast(Dictionary{{"data", Dictionary::object()}});

  EXPECT_EQ(events_.events(), (Events{"loading:false", "rto:{\"data\":{}}"}));
  EXPECT_TRUE(watcher.expired()) << "and lets go once the answer has been handled";
}

TEST_F(VerifyOTPViewModelTests, FailedTrackingReportsTheFailureAfterTheAlert) {
  auto viewModel = makeViewModel(Dictionary::object());

  viewModel->completeOrder(Dictionary::object());
  service_->completeLast(std::nullopt, APIError::noNetwork);
  viewModel->completeOrder(Dictionary::object());
  service_->completeLast(std::nullopt);

  EXPECT_EQ(events_.events(),
            (Events{"loading:false", "alert:No Network", "rtoFailure:No Network", "loading:false",
                    "alert:Data Not Found", "rtoFailure:Data Not Found"}));
  EXPECT_FALSE(viewModel->rtoSuccessData());
}

TEST_F(VerifyOTPViewModelTests, TrackingWithoutFailureClosureStillAlerts) {
  auto viewModel = makeViewModel(Dictionary::object());
  viewModel->onFailureRto = nullptr;
  viewModel->completeOrder(Dictionary::object());
  service_->completeLast(std::nullopt, APIError::dataNotFound);
  EXPECT_EQ(viewModel->alertMessage(), "Data Not Found");
}

// --- analytics -------------------------------------------------------------------------------

TEST_F(VerifyOTPViewModelTests, AnalyticsSendsThePayloadAndLogsTheAnswer) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  const Dictionary payload = {{"eventType", "otp_dialog_load"}, {"name", "otp"}};

  viewModel->appAnalytics(payload);
  service_->completeLast(std::nullopt, APIError::dataNotFound);

  EXPECT_EQ(service_->lastCall().operation, "appAnalytics");
  EXPECT_EQ(service_->lastCall().params, payload);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"appAnalytics Error Data Not Found"}));
  EXPECT_TRUE(events_.events().empty());
}

}  // namespace
}  // namespace tarvel
