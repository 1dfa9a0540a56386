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
    vm->showAlertClosure = [this, vm] { events_.add("alert:" + vm->alertMessage().value_or("-")); };
    vm->updateLoadingStatus = [this, vm] { events_.add(vm->isLoading() ? "loading" : "loaded"); };
    vm->onSuccessSendOtp = [this] { events_.add("sent"); };
    vm->onSuccessVerifyOtp = [this] { events_.add("verified"); };
    vm->onSuccessRto = [this](const Dictionary& response) {
      events_.add("rto:" + response.dump());
    };
    vm->onFailureRto = [this](const std::string& text) { events_.add("rtoFailure:" + text); };
    return viewModel;
  }

  // A pending tracking completion holds its view model, which holds the service.
  void TearDown() override { service_->dropPending(); }

  ScopedReachability online_{true};
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  EventLog events_;
};

TEST_F(VerifyOTPViewModelTests, SendAndResendCarryOnlyTextIdentifiers) {
  makeViewModel()->callSendOtp();
  makeViewModel()->callReSendOtp();
  makeViewModel({{"mid", 12}, {"order_type", "cod"}, {"moid", nullptr}})->callSendOtp();
  makeViewModel(Dictionary())->callReSendOtp();

  const Dictionary all = {
      {"mid", "M-1"}, {"phone", "9876543210"}, {"order_type", "cod"}, {"moid", "order-7"}};
  EXPECT_EQ(service_->call(0).operation, "sendOtp");
  EXPECT_EQ(service_->call(0).params, all);
  EXPECT_EQ(service_->call(1).operation, "reSendOtp");
  EXPECT_EQ(service_->call(1).params, all);
  EXPECT_EQ(service_->call(2).params, (Dictionary{{"order_type", "cod"}}));
  EXPECT_EQ(service_->call(3).params, Dictionary::object());
}

TEST_F(VerifyOTPViewModelTests, VerifySendsPhoneAndMoidTogetherOrNeither) {
  makeViewModel()->callVerifyOtp("1234");
  makeViewModel({{"phone", "9876543210"}})->callVerifyOtp("0000");
  makeViewModel({{"phone", 9876543210}, {"moid", "order-7"}})->callVerifyOtp("");

  EXPECT_EQ(service_->call(0).operation, "verifyOtp");
  EXPECT_EQ(service_->call(0).params,
            (Dictionary{{"phone", "9876543210"}, {"moid", "order-7"}, {"otp", "1234"}}));
  EXPECT_EQ(service_->call(1).params, (Dictionary{{"otp", "0000"}}));
  EXPECT_EQ(service_->call(2).params, (Dictionary{{"otp", ""}}));
}

TEST_F(VerifyOTPViewModelTests, SendAnswersEndLoadingBeforeReporting) {
  auto viewModel = makeViewModel();
  viewModel->callSendOtp();
  service_->completeLast(Dictionary{{"sent", true}});
  viewModel->callReSendOtp();
  service_->completeLast(std::nullopt, APIError::dataNotFound);
  viewModel->callReSendOtp();
  service_->completeLast(std::nullopt);

  EXPECT_EQ(events_.events(), (Events{"loading", "loaded", "sent", "loading", "loaded",
                                      "alert:Data Not Found", "loading", "loaded"}));
  EXPECT_EQ(viewModel->otpSuccessData(), (Dictionary{{"sent", true}}));
}

TEST_F(VerifyOTPViewModelTests, OnlyStatusCode200AsANumberAcceptsTheOtp) {
  struct Case {
    Dictionary answer;
    std::string outcome;
  };
  const std::vector<Case> cases = {
      {{{"statusCode", 200}, {"statusMessage", "OK"}}, "verified"},
      {{{"statusCode", "200"}, {"statusMessage", "Invalid OTP"}}, "alert:Invalid OTP"},
      {{{"statusCode", 400}, {"statusMessage", "Expired"}}, "alert:Expired"},
      {{{"statusCode", 200.5}}, "alert:Something went wrong!"},
      {{{"statusCode", 401}, {"statusMessage", 5}}, "alert:Something went wrong!"},
  };
  for (const auto& [answer, outcome] : cases) {
    auto viewModel = makeViewModel();
    viewModel->callVerifyOtp("1234");
    events_.clear();
    service_->completeLast(answer);
    EXPECT_EQ(events_.events(), (Events{"loaded", outcome})) << answer;
    EXPECT_EQ(viewModel->otpVerifyData().has_value(), outcome == "verified");
  }
}

TEST_F(VerifyOTPViewModelTests, OfflineOtpCallsSendNothingButTrackingStillGoesOut) {
  auto viewModel = makeViewModel();
  ScopedReachability offline(false);

  viewModel->callSendOtp();
  viewModel->callReSendOtp();
  viewModel->callVerifyOtp("1234");
  viewModel->appAnalytics({{"eventType", "otp_dialog_load"}});
  EXPECT_EQ(service_->callCount(), 0u);
  EXPECT_EQ(events_.events(), (Events(4, "alert:No Network")));

  viewModel->completeOrder({{"request_id", ""}, {"moid", ""}});
  EXPECT_EQ(service_->lastCall().operation, "completeOrder");
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

TEST_F(VerifyOTPViewModelTests, TrackingHoldsItsViewModelAndHandsTheAnswerOn) {
  auto viewModel = makeViewModel(Dictionary::object());
  std::weak_ptr<VerifyOTPViewModel> watcher = viewModel;
  const Dictionary params = {{"request_id", 77}, {"moid", ""}};

  viewModel->completeOrder(params);
  EXPECT_TRUE(events_.events().empty()) << "nothing fires before the answer";
  viewModel.reset();
  ASSERT_FALSE(watcher.expired()) << "the tracking request keeps its view model";
  service_->completeLast(Dictionary{{"data", Dictionary::object()}});

  EXPECT_EQ(service_->lastCall().params, params);
  EXPECT_EQ(events_.events(), (Events{"loaded", R"(rto:{"data":{}})"}));
  EXPECT_TRUE(watcher.expired()) << "and lets go once the answer has been handled";
}

TEST_F(VerifyOTPViewModelTests, FailedTrackingAlertsThenReportsTheFailure) {
  auto viewModel = makeViewModel(Dictionary::object());

  viewModel->completeOrder(Dictionary::object());
  service_->completeLast(std::nullopt, APIError::noNetwork);
  viewModel->completeOrder(Dictionary::object());
  service_->completeLast(std::nullopt);  // no error and no answer is a failure too

  EXPECT_EQ(events_.events(),
            (Events{"loaded", "alert:No Network", "rtoFailure:No Network", "loaded",
                    "alert:Data Not Found", "rtoFailure:Data Not Found"}));
  EXPECT_FALSE(viewModel->rtoSuccessData());
}

TEST_F(VerifyOTPViewModelTests, AnalyticsSendsThePayloadAndLogsTheAnswer) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  const Dictionary payload = {{"eventType", "otp_dialog_load"}, {"name", "otp"}};

  viewModel->appAnalytics(payload);
  service_->completeLast(std::nullopt, APIError::dataNotFound);

  EXPECT_EQ(service_->lastCall().params, payload);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"appAnalytics Error Data Not Found"}));
  EXPECT_TRUE(events_.events().empty());
}

}  // namespace
}  // namespace tarvel
