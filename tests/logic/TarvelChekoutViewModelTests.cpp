#include "tarvel/TarvelChekoutViewModel.h"

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

const Dictionary kVerified = {{"tarvel_oid", "T-1"},
                              {"auth_token", "secret"},
                              {"u_link", "upi://pay?pa=shop.vpa&am=10"},
                              {"uapp", {"phonepe", "gpay", "bhim"}},
                              {"qrCode", "data:image/png;base64,AAAA"},
                              {"msg", {{"heading", "Success"}}}};

class TarvelChekoutViewModelTests : public ::testing::Test {
 protected:
  std::shared_ptr<TarvelChekoutViewModel> makeViewModel(
      Dictionary createData = Dictionary::object()) {
    auto viewModel = std::make_shared<TarvelChekoutViewModel>(service_, std::move(createData));
    // Raw pointer: a closure holding its view model strongly would keep it alive for ever.
    TarvelChekoutViewModel* vm = viewModel.get();
    vm->onSuccess = [this] { events_.add("success"); };
    vm->onFailure = [this] { events_.add("failure"); };
    vm->showAlertClosure = [this, vm] { events_.add("alert:" + vm->alertMessage().value_or("-")); };
    vm->updateLoadingStatus = [this, vm] { events_.add(vm->isLoading() ? "loading" : "loaded"); };
    vm->updatePaymentVerifyingStatus = [this, vm] {
      events_.add(vm->isPaymentStatusVerifying() ? "verifying" : "verified");
    };
    vm->onSuccessPaymentStatus = [this] { events_.add("status"); };
    return viewModel;
  }

  // Runs one verify call answered with (response, error) and returns the closures it fired.
  Events verifyAnsweredWith(TarvelChekoutViewModel& viewModel,
                            const std::optional<Dictionary>& response,
                            std::optional<APIError> error = std::nullopt) {
    events_.clear();
    viewModel.verifyUPIPayment();
    service_->completeLast(response, error);
    return events_.events();
  }

  ScopedReachability online_{true};
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  EventLog events_;
};

TEST_F(TarvelChekoutViewModelTests, VerifySendsCreateDataUnchangedAndReportsInOrder) {
  const Dictionary createData = {{"order_type", "upi"}, {"mid", 42}, {"extra", {{"nested", true}}}};
  auto viewModel = makeViewModel(createData);

  EXPECT_EQ(verifyAnsweredWith(*viewModel, kVerified), (Events{"loading", "loaded", "success"}));
  EXPECT_EQ(service_->lastCall().operation, "verifyPaymentData");
  EXPECT_EQ(service_->lastCall().params, createData);
  EXPECT_EQ(viewModel->getOrderVerifyData(), kVerified);
  EXPECT_EQ(viewModel->getOrderNotVerifyData(), Dictionary::object());

  // The same answer again still fires: every assignment reports.
  EXPECT_EQ(verifyAnsweredWith(*viewModel, kVerified), (Events{"loading", "loaded", "success"}));
  EXPECT_EQ(verifyAnsweredWith(*viewModel, std::nullopt), (Events{"loading", "loaded"}));
  EXPECT_EQ(verifyAnsweredWith(*viewModel, kVerified, APIError::dataNotFound),
            (Events{"loading", "loaded", "alert:Data Not Found"}));
  EXPECT_FALSE(viewModel->getPaymentStatusData());
}

TEST_F(TarvelChekoutViewModelTests, OnlyAnExactFailedHeadingAlsoFiresFailure) {
  const Dictionary failed = {{"msg", {{"heading", "Failed!"}, {"text", "expired"}}}};
  auto viewModel = makeViewModel();
  EXPECT_EQ(verifyAnsweredWith(*viewModel, failed),
            (Events{"loading", "loaded", "success", "failure"}));
  EXPECT_EQ(viewModel->getOrderNotVerifyData(), failed);

  for (const Dictionary& answer :
       {Dictionary{{"msg", {{"heading", "failed!"}}}}, Dictionary{{"msg", {{"heading", 0}}}},
        Dictionary{{"msg", "Failed!"}}, Dictionary{{"heading", "Failed!"}}, Dictionary::array()}) {
    auto fresh = makeViewModel();
    EXPECT_EQ(verifyAnsweredWith(*fresh, answer), (Events{"loading", "loaded", "success"}))
        << answer;
    EXPECT_EQ(fresh->getOrderNotVerifyData(), Dictionary::object());
  }
}

TEST_F(TarvelChekoutViewModelTests, OfflineCallsSendNothingAndAlertEachTime) {
  auto viewModel = makeViewModel();
  ScopedReachability offline(false);

  viewModel->verifyUPIPayment();
  viewModel->checkPaymentStatus(true);
  viewModel->appAnalytics({{"type", "event"}});

  EXPECT_EQ(service_->callCount(), 0u);
  EXPECT_EQ(events_.events(), (Events(3, "alert:No Network")));
}

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
  vm->onSuccess = [vm, &optionsSeen] {
    optionsSeen = vm->getAllUPIOptions();
    vm->onSuccess = nullptr;  // reassigning itself while firing
    vm->checkPaymentStatus(true);
  };

  verifyAnsweredWith(*viewModel, kVerified);

  EXPECT_EQ(optionsSeen, (std::vector<std::string>{"phonepe", "gpay", "bhim"}));
  EXPECT_EQ(service_->lastCall().operation, "checkPaymentStatus");
}

TEST_F(TarvelChekoutViewModelTests, StatusRequestCarriesOnlyTextIdentifiers) {
  auto viewModel = makeViewModel();
  viewModel->checkPaymentStatus(true);
  EXPECT_EQ(service_->lastCall().params, Dictionary::object()) << "before verification";

  verifyAnsweredWith(*viewModel, kVerified);
  viewModel->checkPaymentStatus(true);
  EXPECT_EQ(service_->lastCall().params,
            (Dictionary{{"tarvel_oid", "T-1"}, {"auth_token", "secret"}}));

  verifyAnsweredWith(*viewModel, Dictionary{{"tarvel_oid", 7}, {"auth_token", "secret"}});
  viewModel->checkPaymentStatus(true);
  EXPECT_EQ(service_->lastCall().params, (Dictionary{{"auth_token", "secret"}}));
}

TEST_F(TarvelChekoutViewModelTests, OnlyASingleStatusCheckLowersTheVerifyingFlag) {
  auto viewModel = makeViewModel();
  const Dictionary status = {{"payment_status", "PENDING"}};

  viewModel->checkPaymentStatus(true);
  service_->completeLast(status);
  EXPECT_EQ(events_.events(), (Events{"verifying", "status"}));
  EXPECT_TRUE(viewModel->isPaymentStatusVerifying());
  EXPECT_EQ(viewModel->getPaymentStatusData(), status);

  events_.clear();
  viewModel->checkPaymentStatus(false);
  service_->completeLast(status);
  viewModel->checkPaymentStatus(false);
  service_->completeLast(std::nullopt, APIError::dataNotFound);
  EXPECT_EQ(events_.events(), (Events{"verifying", "verified", "status", "verifying", "verified",
                                      "alert:Data Not Found"}));
}

TEST_F(TarvelChekoutViewModelTests, UpiLinkReplacesOneUpiSchemeWithTheAppsOwn) {
  auto viewModel = makeViewModel();
  EXPECT_FALSE(viewModel->getUPILink("gpay")) << "before verification";
  const std::vector<std::pair<Dictionary, std::optional<std::string>>> cases = {
      {"upi://pay?pa=a", "gpay://upi/pay?pa=a"},
      {"pay?pa=a", "gpay://upi/pay?pa=a"},
      {"upi://upi://pay", "gpay://upi/upi://pay"},
      {"UPI://pay", "gpay://upi/UPI://pay"},
      {12, std::nullopt},
      {nullptr, std::nullopt}};
  for (const auto& [link, expected] : cases) {
    verifyAnsweredWith(*viewModel, Dictionary{{"u_link", link}});
    EXPECT_EQ(viewModel->getUPILink("gpay"), expected) << link;
  }
}

TEST_F(TarvelChekoutViewModelTests, AppNamesImagesAndOptions) {
  auto viewModel = makeViewModel();
  EXPECT_EQ(viewModel->getUPIName("tez"), "Google Pay");
  EXPECT_EQ(viewModel->getUPIName("gpay"), "Google Pay");
  EXPECT_EQ(viewModel->getUPIName("paytm"), "Paytm");
  EXPECT_EQ(viewModel->getUPIName("bhim"), "bhim");
  EXPECT_EQ(viewModel->getUPIName("GPay"), "GPay");
  EXPECT_EQ(viewModel->getUpiImage("paytm"), "paytm");
  EXPECT_EQ(viewModel->getUpiImage("upi"), "Tarvel");
  EXPECT_FALSE(viewModel->getUpiImage("cred"));

  EXPECT_TRUE(viewModel->getAllUPIOptions().empty()) << "before verification";
  verifyAnsweredWith(*viewModel, Dictionary{{"uapp", {"bhim", "phonepe", "bhim"}}});
  EXPECT_EQ(viewModel->getAllUPIOptions(), (std::vector<std::string>{"bhim", "phonepe", "bhim"}));
  verifyAnsweredWith(*viewModel, Dictionary{{"uapp", {"phonepe", 3}}});
  EXPECT_TRUE(viewModel->getAllUPIOptions().empty()) << "one entry that is no text spoils the list";

  EXPECT_EQ(viewModel->random(0), "");
  const std::string digits = viewModel->random(200);
  EXPECT_EQ(digits.size(), 200u);
  EXPECT_EQ(digits.find_first_not_of("123456789"), std::string::npos) << digits;
}

TEST_F(TarvelChekoutViewModelTests, QrCodeIsReadAsTextAndLogged) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  verifyAnsweredWith(*viewModel, Dictionary{{"qrCode", 1234}});
  EXPECT_FALSE(viewModel->getQRCode());

  verifyAnsweredWith(*viewModel, kVerified);
  EXPECT_EQ(viewModel->getQRCode(), "data:image/png;base64,AAAA");
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"qrCode data:image/png;base64,AAAA"}));
}

TEST_F(TarvelChekoutViewModelTests, AnalyticsSendsThePayloadUnchangedAndOnlyLogsTheAnswer) {
  test::LogCapture log;
  auto viewModel = makeViewModel();
  const Dictionary payload = {{"event_type", "click"}, {"name", "gpay"}, {"timestamp", 17}};

  for (int i = 0; i < 3; ++i) viewModel->appAnalytics(payload);
  viewModel.reset();  // the answer needs no view model
  service_->complete(0, Dictionary{{"data", {{"id", 9}}}, {"auth_token", "hidden"}});
  service_->complete(1, std::nullopt, APIError::dataNotFound);
  service_->complete(2, std::nullopt);

  EXPECT_EQ(service_->call(0).operation, "appAnalytics");
  EXPECT_EQ(service_->call(0).params, payload);
  EXPECT_TRUE(events_.events().empty());
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             R"(appAnalytics successs {"auth_token":"<redacted>","data":{"id":9}})",
                             "appAnalytics Error Data Not Found"}));
}

}  // namespace
}  // namespace tarvel
