// Both view models against a recording fake service: what the calls send with identifiers that
// are not text, and offline. What the answers decide, and the keys the screens' requests carry,
// are checked through the real screens; tracking, by the entry's RTO tests against a real
// server; that a released view model's calls hold nothing and late answers reach nothing, by the
// randomized outcome run.
#include <memory>   // shared_ptr, make_shared
#include <string>   // string
#include <utility>  // move, exchange
#include <vector>   // vector

#include <gtest/gtest.h>

#include "LogicTestSupport.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

using Events = std::vector<std::string>;

const Dictionary kOtpOrder = {{"mid", "M-1"},      {"phone", "9876543210"}, {"order_type", "cod"},
                              {"moid", "order-7"}, {"request_id", "R-1"},   {"upi_app", ""}};

class ViewModelTests : public ::testing::Test {
 protected:
  // Closures hold raw pointers: holding the view model strongly would keep it alive for ever.
  std::shared_ptr<TarvelChekoutViewModel> checkout(Dictionary createData = Dictionary::object()) {
    auto viewModel = std::make_shared<TarvelChekoutViewModel>(service_, std::move(createData));
    TarvelChekoutViewModel* vm = viewModel.get();
    vm->onSuccess = [this] { add("success"); };
    vm->onFailure = [this] { add("failure"); };
    vm->showAlertClosure = [this, vm] { add("alert:" + vm->alertMessage().value_or("-")); };
    vm->updateLoadingStatus = [this, vm] { add(vm->isLoading() ? "loading" : "loaded"); };
    vm->updatePaymentVerifyingStatus = [this, vm] {
      add(vm->isPaymentStatusVerifying() ? "verifying" : "verified");
    };
    vm->onSuccessPaymentStatus = [this] { add("status"); };
    return viewModel;
  }

  std::shared_ptr<VerifyOTPViewModel> otp(Dictionary createData = kOtpOrder) {
    auto viewModel = std::make_shared<VerifyOTPViewModel>(service_, std::move(createData));
    VerifyOTPViewModel* vm = viewModel.get();
    vm->showAlertClosure = [this, vm] { add("alert:" + vm->alertMessage().value_or("-")); };
    vm->updateLoadingStatus = [this, vm] { add(vm->isLoading() ? "loading" : "loaded"); };
    vm->onSuccessSendOtp = [this] { add("sent"); };
    vm->onSuccessVerifyOtp = [this] { add("verified"); };
    return viewModel;
  }

  // The closures that fired since the last call, in order.
  void add(std::string event) { events_.push_back(std::move(event)); }
  Events take() { return std::exchange(events_, {}); }

  // A pending tracking completion holds its view model, which holds the service.
  void TearDown() override { service_->calls.clear(); }

  test::ScopedReachability online_{true};
  std::shared_ptr<test::FakeAPIService> service_ = std::make_shared<test::FakeAPIService>();
  Events events_;
};

TEST_F(ViewModelTests, OtpRequestsCarryOnlyTheirTextIdentifiers) {
  const Dictionary all = {
      {"mid", "M-1"}, {"phone", "9876543210"}, {"order_type", "cod"}, {"moid", "order-7"}};
  otp()->callSendOtp();
  otp()->callReSendOtp();
  otp({{"mid", 12}, {"order_type", "cod"}, {"moid", nullptr}})->callSendOtp();
  otp(Dictionary())->callReSendOtp();
  // Verification sends phone and moid together or neither (both: the OTP screen's test).
  otp({{"phone", "9876543210"}})->callVerifyOtp("0000");
  otp({{"phone", 9876543210}, {"moid", "order-7"}})->callVerifyOtp("");

  const std::vector<std::pair<std::string, Dictionary>> expected = {
      {"sendOtp", all},
      {"reSendOtp", all},
      {"sendOtp", {{"order_type", "cod"}}},
      {"reSendOtp", Dictionary::object()},
      {"verifyOtp", {{"otp", "0000"}}},
      {"verifyOtp", {{"otp", ""}}}};
  ASSERT_EQ(service_->calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(service_->calls[i].operation, expected[i].first);
    EXPECT_EQ(service_->calls[i].params, expected[i].second);
  }
}

TEST_F(ViewModelTests, OfflineCallsSendNothingAndAlertEachTimeButTrackingStillGoesOut) {
  auto payment = checkout();
  auto cod = otp();
  test::ScopedReachability offline(false);
  payment->verifyUPIPayment();
  payment->checkPaymentStatus(true);
  payment->appAnalytics({{"type", "event"}});
  cod->callSendOtp();
  cod->callReSendOtp();
  cod->callVerifyOtp("1234");
  cod->appAnalytics({{"eventType", "otp_dialog_load"}});
  EXPECT_TRUE(service_->calls.empty());
  EXPECT_EQ(take(), (Events(7, "alert:No Network")));

  cod->completeOrder({{"request_id", ""}, {"moid", ""}});
  ASSERT_EQ(service_->calls.size(), 1u);
  EXPECT_EQ(service_->calls.back().operation, "completeOrder");
}

}  // namespace
}  // namespace tarvel
