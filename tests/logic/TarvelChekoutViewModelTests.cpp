#include "tarvel/TarvelChekoutViewModel.h"

#include <gtest/gtest.h>

#include <memory>  // shared_ptr, make_shared, weak_ptr
#include <string>  // string
#include <thread>  // thread, this_thread
#include <vector>  // vector

#include "LogCapture.h"
#include "LogicTestSupport.h"

namespace tarvel {
namespace {

using test::EventLog;
using test::FakeAPIService;
using test::ScopedReachability;
using Events = std::vector<std::string>;

class TarvelChekoutViewModelTests : public ::testing::Test {
 protected:
  std::shared_ptr<TarvelChekoutViewModel> makeViewModel(Dictionary createData = Dictionary::object()) {
    auto viewModel = std::make_shared<TarvelChekoutViewModel>(service_, std::move(createData));
    // Raw pointer: a closure holding its view model strongly would keep it alive for ever.
    TarvelChekoutViewModel* vm = viewModel.get();
    viewModel->onSuccess = [this] { events_.add("success"); };
    viewModel->onFailure = [this] { events_.add("failure"); };
    viewModel->showAlertClosure = [this, vm] { events_.add("alert:" + vm->alertMessage().value_or("-")); };
    viewModel->updateLoadingStatus = [this, vm] {
      events_.add(vm->isLoading() ? "loading:true" : "loading:false");
    };
    viewModel->updatePaymentVerifyingStatus = [this, vm] {
      events_.add(vm->isPaymentStatusVerifying() ? "verifying:true" : "verifying:false");
    };
    viewModel->onSuccessPaymentStatus = [this] { events_.add("status"); };
    return viewModel;
  }

  // Verifies the order with `response` and forgets the closures that fired on the way.
  void verifyWith(TarvelChekoutViewModel& viewModel, const Dictionary& response) {
    viewModel.verifyUPIPayment();
    service_->completeLast(response);
    events_.clear();
  }

  ScopedReachability online_{true};
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  EventLog events_;
};

const Dictionary kVerified = {{"tarvel_oid", "T-1"},
                              {"auth_token", "secret"},
                              {"u_link", "upi://pay?pa=shop.vpa&am=10"},
                              {"uapp", {"phonepe", "gpay", "bhim"}},
                              {"qrCode", "data:image/png;base64,AAAA"},
                              {"msg", {{"heading", "Success"}}}};

// --- order verification ----------------------------------------------------------------------

TEST_F(TarvelChekoutViewModelTests, VerifySendsCreateDataUnchangedAndShowsLoading) {
  const Dictionary createData = {{"order_type", "upi"}, {"mid", 42}, {"extra", {{"nested", true}}}};
  auto viewModel = makeViewModel(createData);

  viewModel->verifyUPIPayment();

  ASSERT_EQ(service_->callCount(), 1u);
  EXPECT_EQ(service_->call(0).operation, "verifyPaymentData");
  EXPECT_EQ(service_->call(0).params, createData);
  EXPECT_TRUE(viewModel->isLoading());
  EXPECT_EQ(events_.events(), (Events{"loading:true"}));
}

TEST_F(TarvelChekoutViewModelTests, VerifiedAnswerEndsLoadingBeforeSuccess) {
  auto viewModel = makeViewModel();
  viewModel->verifyUPIPayment();
  events_.clear();

  service_->completeLast(kVerified);

  EXPECT_EQ(events_.events(), (Events{"loading:false", "success"}));
  EXPECT_EQ(viewModel->getOrderVerifyData(), kVerified);
  EXPECT_EQ(viewModel->getOrderNotVerifyData(), Dictionary::object());
  EXPECT_FALSE(viewModel->alertMessage());
}

TEST_F(TarvelChekoutViewModelTests, FailedHeadingFiresSuccessThenFailureWithTheSameResponse) {
  auto viewModel = makeViewModel();
  const Dictionary failed = {{"msg", {{"heading", "Failed!"}, {"text", "order expired"}}}};
  viewModel->verifyUPIPayment();
  events_.clear();

  service_->completeLast(failed);

  EXPECT_EQ(events_.events(), (Events{"loading:false", "success", "failure"}));
  EXPECT_EQ(viewModel->getOrderVerifyData(), failed);
  EXPECT_EQ(viewModel->getOrderNotVerifyData(), failed);
}

TEST_F(TarvelChekoutViewModelTests, OnlyAnExactFailedHeadingMarksTheOrderNotVerified) {
  const std::vector<Dictionary> answers = {
      {{"msg", {{"heading", "failed!"}}}},  // case differs
      {{"msg", {{"heading", 0}}}},          // heading not a text
      {{"msg", "Failed!"}},                 // msg not an object
      {{"heading", "Failed!"}},             // heading outside msg
      Dictionary::object()};
  for (const auto& answer : answers) {
    auto viewModel = makeViewModel();
    viewModel->verifyUPIPayment();
    events_.clear();
    service_->completeLast(answer);
    EXPECT_EQ(events_.events(), (Events{"loading:false", "success"})) << answer.dump();
    EXPECT_EQ(viewModel->getOrderNotVerifyData(), Dictionary::object());
  }
}

TEST_F(TarvelChekoutViewModelTests, ErrorAnswerAlertsAfterLoadingAndStoresNothing) {
  auto viewModel = makeViewModel();
  viewModel->verifyUPIPayment();
  events_.clear();

  service_->completeLast(std::nullopt, APIError::dataNotFound);

  EXPECT_EQ(events_.events(), (Events{"loading:false", "alert:Data Not Found"}));
  EXPECT_EQ(viewModel->getOrderVerifyData(), Dictionary::object());
}

TEST_F(TarvelChekoutViewModelTests, ErrorWinsOverAResponseThatCameWithIt) {
  auto viewModel = makeViewModel();
  viewModel->verifyUPIPayment();
  events_.clear();

  service_->completeLast(kVerified, APIError::noNetwork);

  EXPECT_EQ(events_.events(), (Events{"loading:false", "alert:No Network"}));
  EXPECT_EQ(viewModel->getOrderVerifyData(), Dictionary::object());
}

TEST_F(TarvelChekoutViewModelTests, AnswerWithoutDictionaryOnlyEndsLoading) {
  auto viewModel = makeViewModel();
  viewModel->verifyUPIPayment();
  events_.clear();

  service_->completeLast(std::nullopt);

  EXPECT_EQ(events_.events(), (Events{"loading:false"}));
}

TEST_F(TarvelChekoutViewModelTests, EveryAssignmentFiresEvenWithAnUnchangedValue) {
  auto viewModel = makeViewModel();
  verifyWith(*viewModel, kVerified);

  viewModel->verifyUPIPayment();
  service_->completeLast(kVerified);

  EXPECT_EQ(events_.events(), (Events{"loading:true", "loading:false", "success"}));
}

// --- offline ---------------------------------------------------------------------------------

TEST_F(TarvelChekoutViewModelTests, OfflineCallsSendNothingAndAlertEachTime) {
  auto viewModel = makeViewModel();
  ScopedReachability offline(false);

  viewModel->verifyUPIPayment();
  viewModel->checkPaymentStatus(true);
  viewModel->appAnalytics({{"type", "event"}});

  EXPECT_EQ(service_->callCount(), 0u);
  EXPECT_EQ(events_.events(),
            (Events{"alert:No Network", "alert:No Network", "alert:No Network"}));
  EXPECT_FALSE(viewModel->isLoading());
  EXPECT_FALSE(viewModel->isPaymentStatusVerifying());
}

// --- lifetime --------------------------------------------------------------------------------

TEST_F(TarvelChekoutViewModelTests, ReleasedViewModelIgnoresLateAnswers) {
  auto viewModel = makeViewModel();
  viewModel->verifyUPIPayment();
  viewModel->checkPaymentStatus(false);
  std::weak_ptr<TarvelChekoutViewModel> watcher = viewModel;
  events_.clear();

  viewModel.reset();
  ASSERT_TRUE(watcher.expired()) << "a pending completion must not keep the view model alive";
  service_->complete(0, kVerified);
  service_->complete(1, std::nullopt, APIError::dataNotFound);

  EXPECT_TRUE(events_.events().empty());
}

TEST_F(TarvelChekoutViewModelTests, ClosuresMayCallBackIntoTheViewModel) {
  auto viewModel = makeViewModel();
  TarvelChekoutViewModel* vm = viewModel.get();
  std::vector<std::string> optionsSeen;
  viewModel->onSuccess = [vm, &optionsSeen] {
    optionsSeen = vm->getAllUPIOptions();
    vm->onSuccess = nullptr;  // reassigning itself while firing
    vm->checkPaymentStatus(true);
  };

  viewModel->verifyUPIPayment();
  service_->completeLast(kVerified);

  EXPECT_EQ(optionsSeen, (std::vector<std::string>{"phonepe", "gpay", "bhim"}));
  ASSERT_EQ(service_->callCount(), 2u);
  EXPECT_EQ(service_->call(1).operation, "checkPaymentStatus");
}

TEST_F(TarvelChekoutViewModelTests, AnswerFromAnotherThreadFiresOnThatThread) {
  auto viewModel = makeViewModel();
  std::thread::id firedOn;
  viewModel->onSuccess = [&firedOn] { firedOn = std::this_thread::get_id(); };
  viewModel->verifyUPIPayment();

  std::thread::id loaderThread;
  std::thread loader([&] {
    loaderThread = std::this_thread::get_id();
    service_->completeLast(kVerified);
  });
  loader.join();

  EXPECT_EQ(firedOn, loaderThread);
  EXPECT_EQ(viewModel->getOrderVerifyData(), kVerified);
}

// --- payment status --------------------------------------------------------------------------

TEST_F(TarvelChekoutViewModelTests, StatusRequestCarriesOnlyTextIdentifiersOfTheVerifiedOrder) {
  auto viewModel = makeViewModel();
  viewModel->checkPaymentStatus(true);
  EXPECT_EQ(service_->lastCall().operation, "checkPaymentStatus");
  EXPECT_EQ(service_->lastCall().params, Dictionary::object()) << "before verification";

  verifyWith(*viewModel, kVerified);
  viewModel->checkPaymentStatus(true);
  EXPECT_EQ(service_->lastCall().params,
            (Dictionary{{"tarvel_oid", "T-1"}, {"auth_token", "secret"}}));

  verifyWith(*viewModel, {{"tarvel_oid", 7}, {"auth_token", "secret"}});
  viewModel->checkPaymentStatus(true);
  EXPECT_EQ(service_->lastCall().params, (Dictionary{{"auth_token", "secret"}}));
}

TEST_F(TarvelChekoutViewModelTests, PollingKeepsTheVerifyingFlagUp) {
  auto viewModel = makeViewModel();
  const Dictionary status = {{"data", {{"payment_status", "PENDING"}}}};

  viewModel->checkPaymentStatus(true);
  service_->completeLast(status);

  EXPECT_EQ(events_.events(), (Events{"verifying:true", "status"}));
  EXPECT_TRUE(viewModel->isPaymentStatusVerifying());
  EXPECT_EQ(viewModel->getPaymentStatusData(), status);
}

TEST_F(TarvelChekoutViewModelTests, SingleStatusCheckLowersTheFlagBeforeReporting) {
  auto viewModel = makeViewModel();

  viewModel->checkPaymentStatus(false);
  service_->completeLast(Dictionary{{"payment_status", "PAID"}});
  viewModel->checkPaymentStatus(false);
  service_->completeLast(std::nullopt, APIError::dataNotFound);

  EXPECT_EQ(events_.events(), (Events{"verifying:true", "verifying:false", "status", "verifying:true",
                                      "verifying:false", "alert:Data Not Found"}));
  EXPECT_EQ(viewModel->getPaymentStatusData(), (Dictionary{{"payment_status", "PAID"}}));
}

// --- questions about the verified order ------------------------------------------------------

TEST_F(TarvelChekoutViewModelTests, NothingIsReadBeforeVerification) {
  auto viewModel = makeViewModel();
  EXPECT_EQ(viewModel->getOrderVerifyData(), Dictionary::object());
  EXPECT_EQ(viewModel->getOrderNotVerifyData(), Dictionary::object());
  EXPECT_FALSE(viewModel->getPaymentStatusData());
  EXPECT_TRUE(viewModel->getAllUPIOptions().empty());
  EXPECT_FALSE(viewModel->getQRCode());
  EXPECT_FALSE(viewModel->getUPILink("gpay"));
}

TEST_F(TarvelChekoutViewModelTests, UpiLinkReplacesOneUpiSchemeWithTheAppsOwn) {
  auto viewModel = makeViewModel();
  const std::vector<std::pair<Dictionary, std::optional<std::string>>> cases = {
      {"upi://pay?pa=a", "gpay://upi/pay?pa=a"},
      {"pay?pa=a", "gpay://upi/pay?pa=a"},
      {"upi://upi://pay", "gpay://upi/upi://pay"},
      {"UPI://pay", "gpay://upi/UPI://pay"},
      {"", "gpay://upi/"},
      {12, std::nullopt},
      {nullptr, std::nullopt},
  };
  for (const auto& [link, expected] : cases) {
    verifyWith(*viewModel, {{"u_link", link}});
    EXPECT_EQ(viewModel->getUPILink("gpay"), expected) << link.dump();
  }
  verifyWith(*viewModel, Dictionary::object());
  EXPECT_FALSE(viewModel->getUPILink("gpay"));
  verifyWith(*viewModel, {{"u_link", "upi://pay?pa=shop.vpa&am=10"}});
  EXPECT_EQ(viewModel->getUPILink("phonepe"), "phonepe://upi/pay?pa=shop.vpa&am=10");
}

TEST_F(TarvelChekoutViewModelTests, UpiNamesAndImagesFollowTheAppTable) {
  auto viewModel = makeViewModel();
  EXPECT_EQ(viewModel->getUPIName("gpay"), "Google Pay");
  EXPECT_EQ(viewModel->getUPIName("tez"), "Google Pay");
  EXPECT_EQ(viewModel->getUPIName("phonepe"), "PhonePe");
  EXPECT_EQ(viewModel->getUPIName("paytm"), "Paytm");
  EXPECT_EQ(viewModel->getUPIName("bhim"), "bhim");
  EXPECT_EQ(viewModel->getUPIName("GPay"), "GPay");
  EXPECT_EQ(viewModel->getUPIName(""), "");

  EXPECT_EQ(viewModel->getUpiImage("paytm"), "paytm");
  EXPECT_EQ(viewModel->getUpiImage("tez"), "Google_Pay");
  EXPECT_EQ(viewModel->getUpiImage("upi"), "Tarvel");
  EXPECT_EQ(viewModel->getUpiImage("bhim"), "BHIM");
  EXPECT_FALSE(viewModel->getUpiImage("cred"));
  EXPECT_EQ(viewModel->upiImagesList().size(), 6u);
}

TEST_F(TarvelChekoutViewModelTests, UpiOptionsNeedAnArrayOfTexts) {
  auto viewModel = makeViewModel();
  verifyWith(*viewModel, {{"uapp", {"bhim", "phonepe", "bhim"}}});
  EXPECT_EQ(viewModel->getAllUPIOptions(), (std::vector<std::string>{"bhim", "phonepe", "bhim"}));

  for (const Dictionary& apps : {Dictionary{"phonepe", 3}, Dictionary("phonepe"), Dictionary()}) {
    verifyWith(*viewModel, {{"uapp", apps}});
    EXPECT_TRUE(viewModel->getAllUPIOptions().empty()) << apps.dump();
  }
}

TEST_F(TarvelChekoutViewModelTests, QrCodeIsReadAsTextAndLogged) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  verifyWith(*viewModel, {{"qrCode", 1234}});
  EXPECT_FALSE(viewModel->getQRCode());
  EXPECT_TRUE(log.lines().empty());

  verifyWith(*viewModel, kVerified);
  EXPECT_EQ(viewModel->getQRCode(), "data:image/png;base64,AAAA");
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"qrCode data:image/png;base64,AAAA"}));
}

TEST_F(TarvelChekoutViewModelTests, RandomGivesNonZeroDigits) {
  auto viewModel = makeViewModel();
  EXPECT_EQ(viewModel->random(0), "");
  EXPECT_EQ(viewModel->random(-4), "");
  const std::string digits = viewModel->random(500);
  ASSERT_EQ(digits.size(), 500u);
  EXPECT_EQ(digits.find_first_not_of("123456789"), std::string::npos) << digits;
}

// --- analytics -------------------------------------------------------------------------------

TEST_F(TarvelChekoutViewModelTests, AnalyticsSendsThePayloadUnchangedAndOnlyLogsTheAnswer) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  const Dictionary payload = {{"event_type", "click"}, {"name", "gpay"}, {"timestamp", 17}};

  viewModel->appAnalytics(payload);
  viewModel->appAnalytics(payload);
  viewModel.reset();  // the answer needs no view model
  service_->complete(0, Dictionary{{"data", {{"id", 9}}}, {"auth_token", "hidden"}});
  service_->complete(1, std::nullopt, APIError::dataNotFound);

  EXPECT_EQ(service_->call(0).operation, "appAnalytics");
  EXPECT_EQ(service_->call(0).params, payload);
  EXPECT_TRUE(events_.events().empty());
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("appAnalytics successs {", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("\"id\":9"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].find("hidden"), std::string::npos) << "secrets stay out of the log";
  EXPECT_EQ(lines[1], "appAnalytics Error Data Not Found");
}

TEST_F(TarvelChekoutViewModelTests, AnalyticsAnswerWithoutDictionaryLogsNothing) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  viewModel->appAnalytics(Dictionary::object());
  service_->completeLast(std::nullopt);
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(TarvelChekoutViewModelTests, CreateDataThatIsNoDictionaryIsSentAsAnEmptyOne) {
  auto viewModel = std::make_shared<TarvelChekoutViewModel>(service_, Dictionary());
  viewModel->verifyUPIPayment();
  EXPECT_EQ(service_->lastCall().params, Dictionary::object());
  EXPECT_EQ(viewModel->userData(), Dictionary::object());
}

}  // namespace
}  // namespace tarvel
