// The view models over the real APIService against a real HTTP server on 127.0.0.1.

#include <gtest/gtest.h>

#include <chrono>   // seconds
#include <memory>   // make_shared
#include <string>   // string
#include <utility>  // move
#include <vector>   // vector

#include "LogicTestSupport.h"
#include "LoopbackServer.h"
#include "SilentServer.h"
#include "tarvel/APIService.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

using test::EventLog;
using test::ScopedReachability;
using Events = std::vector<std::string>;

constexpr std::chrono::seconds kWait{20};

/// The real service, pointed at a test server instead of the configured hosts.
class LoopbackAPIService : public APIService {
 public:
  explicit LoopbackAPIService(std::string base) : base_(std::move(base)) {}
  std::string baseUrl() const override { return base_; }
  std::string appAnalyticsBaseUrl() const override { return base_; }

 private:
  std::string base_;
};

TEST(ViewModelLoopbackTests, VerifyThenPaymentStatusRoundTrip) {
  ScopedReachability online(true);
  test::LoopbackServer server;
  server.answerJson("POST", "/v1/order/verify", 200,
                    R"({"data": {"tarvel_oid": "T-9", "auth_token": "tok-9", "uapp": ["gpay"],
                                 "u_link": "upi://pay?pa=shop&am=5"}})");
  server.answerJson("POST", "/v1/payment/capture", 200,
                    R"({"data": {"payment_status": "PAID"}, "payment_status": "PAID"})");
  ASSERT_TRUE(server.start());

  EventLog events;
  const Dictionary createData = {{"order_type", "upi"}, {"mid", "M-1"}, {"total", 5}};
  auto viewModel = std::make_shared<TarvelChekoutViewModel>(
      std::make_shared<LoopbackAPIService>(server.baseUrl()), createData);
  TarvelChekoutViewModel* vm = viewModel.get();
  viewModel->onSuccess = [&events] { events.add("success"); };
  viewModel->onSuccessPaymentStatus = [&events] { events.add("status"); };
  viewModel->showAlertClosure = [&events, vm] {
    events.add("alert:" + vm->alertMessage().value_or(""));
  };

  viewModel->verifyUPIPayment();
  ASSERT_TRUE(events.waitForCount(1, kWait));
  ASSERT_EQ(events.events(), (Events{"success"}));
  EXPECT_FALSE(viewModel->isLoading());
  EXPECT_EQ(viewModel->getUPILink("gpay"), "gpay://upi/pay?pa=shop&am=5");
  EXPECT_EQ(server.requests().at(0).path, "/v1/order/verify");
  EXPECT_EQ(server.requests().at(0).jsonBody(), createData);

  viewModel->checkPaymentStatus(false);
  ASSERT_TRUE(events.waitForCount(2, kWait));
  EXPECT_EQ(events.events(), (Events{"success", "status"}));
  EXPECT_FALSE(viewModel->isPaymentStatusVerifying());
  EXPECT_EQ(viewModel->getPaymentStatusData().value_or(Dictionary()).value("payment_status", ""),
            "PAID");
  EXPECT_EQ(server.requests().at(1).path, "/v1/payment/capture");
  EXPECT_EQ(server.requests().at(1).jsonBody(),
            (Dictionary{{"tarvel_oid", "T-9"}, {"auth_token", "tok-9"}}));
}

TEST(ViewModelLoopbackTests, UnreachableServerEndsTheSpinnerWithAnAlert) {
  ScopedReachability online(true);
  EventLog events;
  auto viewModel = std::make_shared<VerifyOTPViewModel>(
      std::make_shared<LoopbackAPIService>(test::SilentServer::closedPortUrl()),
      Dictionary{{"phone", "1"}, {"moid", "2"}});
  VerifyOTPViewModel* vm = viewModel.get();
  viewModel->updateLoadingStatus = [&events, vm] {
    events.add(vm->isLoading() ? "loading:true" : "loading:false");
  };
  viewModel->showAlertClosure = [&events, vm] {
    events.add("alert:" + vm->alertMessage().value_or(""));
  };

  viewModel->callVerifyOtp("1234");
  ASSERT_TRUE(events.waitForCount(3, kWait));
  EXPECT_EQ(events.events(), (Events{"loading:true", "loading:false", "alert:No Network"}));
}

}  // namespace
}  // namespace tarvel
