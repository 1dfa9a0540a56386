// The analytics events' builders, and both view models against a recording fake service: what the
// calls send with identifiers that are not text, and offline. What the answers decide, and the keys
// the screens' requests carry, are checked through the real screens; tracking, by the entry's RTO
// tests against a real server; that a released view model's calls hold nothing and late answers
// reach nothing, by the randomized outcome run. Then both used from two threads: a screen thread
// replacing closures and reading state while completions fire on another (meant for
// ThreadSanitizer). Round trips over the real service: ComponentAgainstSandboxTests and the
// reliability suites.
#include <atomic>   // atomic
#include <memory>   // shared_ptr, make_shared
#include <string>   // string
#include <thread>   // thread
#include <utility>  // move, exchange
#include <vector>   // vector

#include <gtest/gtest.h>

#include "LogicTestSupport.h"
#include "tarvel/AnalyticsEvents.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

const AnalyticsEnvironment kPinned{1700000000.9, "15.2", "iPhone 13"};
const Dictionary kIdentitySource = {{"request_id", "R-1"},
                                    {"order_type", "upi"},
                                    {"mid", "M-1"},
                                    {"tarvel_oid", "T-1"},
                                    {"auth_token", "secret"}};

TEST(AnalyticsEventsTests, EachEventIsTheCommonBlockPlusItsKindUnderItsOwnKey) {
  auto expected = [](Dictionary own) {
    own.update(
        {{"type", "event"},
         {"platform", "iOS"},
         {"timestamp", 1700000000},
         {"version", "v1.2.0"},
         {"source", "direct"},
         {"userAgent",
          "TarveliOSSDK/1.0 (iPhone 13; CPU OS 15_2 like Mac OS X; iPhone 13) almofire/v1.2.0"},
         {"requestId", "R-1"},
         {"orderType", "upi"},
         {"merchantId", "M-1"},
         {"tarvelOid", "T-1"}});
    return own;
  };
  EXPECT_EQ(clickEvent("phonepe", kIdentitySource, kPinned),
            expected({{"event_type", "click"}, {"event", "phonepe"}, {"name", "phonepe"}}));
  const Dictionary pageLoad = pageLoadEvent(0, kIdentitySource, kPinned);
  EXPECT_EQ(pageLoad,
            expected({{"eventType", "page_load"}, {"name", "app listing"}, {"app_count", 0}}));
  for (const char* key : {"app_count", "timestamp"}) {
    EXPECT_TRUE(pageLoad[key].is_number_integer()) << key;  // the time in whole seconds
  }
  EXPECT_EQ(otpDialogLoadEvent(kIdentitySource, kPinned),
            expected({{"eventType", "otp_dialog_load"}, {"name", "otp"}}));
}

TEST(AnalyticsEventsTests, IdentityBlockIsAllOrNothing) {
  Dictionary withoutOid = kIdentitySource;
  withoutOid.erase("tarvel_oid");
  // The last key missing: the three before it are not sent either.
  const Dictionary event = pageLoadEvent(1, withoutOid, kPinned);
  for (const char* key : {"requestId", "orderType", "merchantId", "tarvelOid"}) {
    EXPECT_FALSE(event.contains(key)) << key;
  }
  EXPECT_TRUE(event.contains("eventType")) << "the event goes out without its identity";
}

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

// (The resend sends what the send does: the OTP screen's test.)
TEST_F(ViewModelTests, OtpRequestsCarryOnlyTheirTextIdentifiers) {
  otp()->callSendOtp();
  otp({{"mid", 12}, {"order_type", "cod"}, {"moid", nullptr}})->callSendOtp();
  // Verification sends phone and moid together or neither (both: the OTP screen's test).
  otp({{"phone", 9876543210}, {"moid", "order-7"}})->callVerifyOtp("");

  const std::vector<std::pair<std::string, Dictionary>> expected = {
      {"sendOtp",
       {{"mid", "M-1"}, {"phone", "9876543210"}, {"order_type", "cod"}, {"moid", "order-7"}}},
      {"sendOtp", {{"order_type", "cod"}}},
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

// The fixture's own closures that stay installed only ever run on this thread.
using ViewModelThreadingTests = ViewModelTests;

TEST_F(ViewModelThreadingTests, ClosuresAndStateAcrossThreadsFireExactlyOncePerAnswer) {
  constexpr int kRounds = 2000;
  auto payment = checkout();
  auto cod = otp();
  TarvelChekoutViewModel* vm = payment.get();
  VerifyOTPViewModel* otp = cod.get();
  std::atomic<int> successes{0}, statuses{0}, trackings{0}, verified{0};
  std::atomic<bool> done{false}, screenRunning{false};

  auto installClosures = [&] {
    vm->onSuccess = [vm, &successes] { successes += vm->getAllUPIOptions().size() == 1 ? 1 : 0; };
    vm->onSuccessPaymentStatus = [vm, &statuses] {
      statuses += vm->getPaymentStatusData().has_value() ? 1 : 0;
    };
    vm->updateLoadingStatus = [vm] { (void)vm->isLoading(); };
    vm->showAlertClosure = [vm] { (void)vm->alertMessage(); };
    otp->onSuccessRto = [&trackings](const Dictionary& answer) {
      trackings += answer.contains("data") ? 1 : 0;
    };
    otp->onSuccessVerifyOtp = [otp, &verified] {
      verified += otp->otpVerifyData().has_value() ? 1 : 0;
    };
    otp->updateLoadingStatus = [otp] { (void)otp->isLoading(); };
    otp->showAlertClosure = [otp] { (void)otp->alertMessage(); };
  };
  installClosures();
  std::thread screen([&] {
    while (!done.load()) {
      installClosures();
      screenRunning = true;
      (void)vm->getOrderVerifyData();
      (void)vm->getUPILink("gpay");
      (void)otp->rtoSuccessData();
    }
  });

  const Dictionary verifiedOrder = {{"uapp", {"gpay"}}, {"tarvel_oid", "T"}, {"auth_token", "A"}};
  while (!screenRunning.load()) std::this_thread::yield();
  for (int round = 0; round < kRounds; ++round) {
    vm->verifyUPIPayment();
    service_->completeLast(verifiedOrder);
    vm->checkPaymentStatus(round % 2 == 0);
    service_->completeLast(Dictionary{{"payment_status", "PENDING"}});
    otp->callSendOtp();
    service_->completeLast(Dictionary{{"sent", true}});
    otp->callVerifyOtp("1234");
    service_->completeLast(Dictionary{{"statusCode", round % 2 == 0 ? 200 : 400}});
    otp->completeOrder(Dictionary{{"request_id", "R"}, {"moid", "2"}});
    service_->completeLast(Dictionary{{"data", Dictionary::object()}});
  }
  done = true;
  screen.join();

  // Whichever closure was installed at the moment, each answer fired exactly one.
  EXPECT_EQ(successes.load(), kRounds);
  EXPECT_EQ(statuses.load(), kRounds);
  EXPECT_EQ(trackings.load(), kRounds);
  EXPECT_EQ(verified.load(), kRounds / 2);
  EXPECT_EQ(service_->calls.size(), static_cast<std::size_t>(5 * kRounds));
  EXPECT_EQ(vm->getOrderVerifyData(), verifiedOrder);
}

}  // namespace
}  // namespace tarvel
