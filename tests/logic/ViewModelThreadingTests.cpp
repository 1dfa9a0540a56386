// The view models used from two threads: a screen thread replacing closures and reading state
// while completions fire on the loader's thread (meant for ThreadSanitizer). Round trips over
// the real service: ComponentAgainstSandboxTests and the reliability suites.
#include <atomic>  // atomic
#include <memory>  // make_shared
#include <thread>  // thread

#include <gtest/gtest.h>

#include "LogicTestSupport.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel {
namespace {

TEST(ViewModelThreadingTests, ClosuresAndStateAcrossThreadsFireExactlyOncePerAnswer) {
  constexpr int kRounds = 2000;
  test::ScopedReachability online(true);
  auto service = std::make_shared<test::FakeAPIService>();
  auto payment = std::make_shared<TarvelChekoutViewModel>(service, Dictionary::object());
  auto cod = std::make_shared<VerifyOTPViewModel>(
      service, Dictionary{{"phone", "1"}, {"moid", "2"}, {"mid", "3"}, {"order_type", "cod"}});
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
    service->completeLast(verifiedOrder);
    vm->checkPaymentStatus(round % 2 == 0);
    service->completeLast(Dictionary{{"payment_status", "PENDING"}});
    otp->callSendOtp();
    service->completeLast(Dictionary{{"sent", true}});
    otp->callVerifyOtp("1234");
    service->completeLast(Dictionary{{"statusCode", round % 2 == 0 ? 200 : 400}});
    otp->completeOrder(Dictionary{{"request_id", "R"}, {"moid", "2"}});
    service->completeLast(Dictionary{{"data", Dictionary::object()}});
  }
  done = true;
  screen.join();

  // Whichever closure was installed at the moment, each answer fired exactly one.
  EXPECT_EQ(successes.load(), kRounds);
  EXPECT_EQ(statuses.load(), kRounds);
  EXPECT_EQ(trackings.load(), kRounds);
  EXPECT_EQ(verified.load(), kRounds / 2);
  EXPECT_EQ(service->calls.size(), static_cast<std::size_t>(5 * kRounds));
  EXPECT_EQ(vm->getOrderVerifyData(), verifiedOrder);
}

}  // namespace
}  // namespace tarvel
