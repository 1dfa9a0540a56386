// Closures and accessors used from one thread while completions fire on another, as a screen
// and the URL loader do. Meant to run under ThreadSanitizer; the counts check that every answer
// fired exactly one closure, whichever was installed at that moment.

#include <gtest/gtest.h>

#include <atomic>  // atomic
#include <memory>  // make_shared
#include <string>  // string
#include <thread>  // thread

#include "LogicTestSupport.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

using test::FakeAPIService;
using test::ScopedReachability;

constexpr int kRounds = 2000;

TEST(ViewModelThreadingTests, CheckoutClosuresAndStateAcrossThreads) {
  ScopedReachability online(true);
  auto service = std::make_shared<FakeAPIService>();
  auto viewModel = std::make_shared<TarvelChekoutViewModel>(service, Dictionary::object());
  TarvelChekoutViewModel* vm = viewModel.get();
  std::atomic<int> successes{0};
  std::atomic<int> statuses{0};
  std::atomic<bool> done{false};
  std::atomic<bool> screenRunning{false};

  auto installClosures = [&] {
    vm->onSuccess = [vm, &successes] { successes += vm->getAllUPIOptions().size() == 1 ? 1 : 0; };
    vm->onSuccessPaymentStatus = [vm, &statuses] {
      statuses += vm->getPaymentStatusData().has_value() ? 1 : 0;
    };
    vm->updateLoadingStatus = [vm] { (void)vm->isLoading(); };
    vm->updatePaymentVerifyingStatus = [vm] { (void)vm->isPaymentStatusVerifying(); };
    vm->showAlertClosure = [vm] { (void)vm->alertMessage(); };
  };
  installClosures();

  // The "screen": keeps replacing its closures and reading state back.
  std::thread screen([&] {
    while (!done.load()) {
      installClosures();
      screenRunning = true;
      (void)vm->getOrderVerifyData();
      (void)vm->getUPILink("gpay");
      (void)vm->getQRCode();
    }
  });

  // The "loader": starts calls and answers them.
  const Dictionary verified = {{"uapp", {"gpay"}}, {"tarvel_oid", "T"}, {"auth_token", "A"}};
  while (!screenRunning.load()) std::this_thread::yield();
  for (int round = 0; round < kRounds; ++round) {
    vm->verifyUPIPayment();
    service->completeLast(verified);
    vm->checkPaymentStatus(round % 2 == 0);
    service->completeLast(Dictionary{{"payment_status", "PENDING"}});
  }
  done = true;
  screen.join();

  // Whichever closure was installed at the moment, each answer fired exactly one.
  EXPECT_EQ(successes.load(), kRounds);
  EXPECT_EQ(statuses.load(), kRounds);
  EXPECT_EQ(service->callCount(), static_cast<std::size_t>(2 * kRounds));
  EXPECT_EQ(vm->getOrderVerifyData(), verified);
}

TEST(ViewModelThreadingTests, OtpClosuresAndStateAcrossThreads) {
  ScopedReachability online(true);
  auto service = std::make_shared<FakeAPIService>();
  auto viewModel = std::make_shared<VerifyOTPViewModel>(
      service, Dictionary{{"phone", "1"}, {"moid", "2"}, {"mid", "3"}, {"order_type", "cod"}});
  VerifyOTPViewModel* vm = viewModel.get();
  std::atomic<int> trackings{0};
  std::atomic<int> verified{0};
  std::atomic<bool> done{false};
  std::atomic<bool> screenRunning{false};

  auto installClosures = [&] {
    vm->onSuccessRto = [&trackings](const Dictionary& response) {
      trackings += response.contains("data") ? 1 : 0;
    };
    vm->onFailureRto = [vm](const std::string&) { (void)vm->alertMessage(); };
    vm->onSuccessVerifyOtp = [vm, &verified] {
      verified += vm->otpVerifyData().has_value() ? 1 : 0;
    };
    vm->updateLoadingStatus = [vm] { (void)vm->isLoading(); };
    vm->showAlertClosure = [vm] { (void)vm->alertMessage(); };
  };
  installClosures();

  std::thread screen([&] {
    while (!done.load()) {
      installClosures();
      screenRunning = true;
      (void)vm->rtoSuccessData();
      (void)vm->getOrderVerifyData();
    }
  });

  while (!screenRunning.load()) std::this_thread::yield();
  for (int round = 0; round < kRounds; ++round) {
    vm->callSendOtp();
    service->completeLast(Dictionary{{"sent", true}});
    vm->callVerifyOtp("1234");
    service->completeLast(Dictionary{{"statusCode", round % 2 == 0 ? 200 : 400}});
    vm->completeOrder(Dictionary{{"request_id", "R"}, {"moid", "2"}});
    service->completeLast(Dictionary{{"data", Dictionary::object()}});
  }
  done = true;
  screen.join();

  EXPECT_EQ(trackings.load(), kRounds);
  EXPECT_EQ(verified.load(), kRounds / 2);
  EXPECT_EQ(service->callCount(), static_cast<std::size_t>(3 * kRounds));
}

}  // namespace
}  // namespace tarvel
