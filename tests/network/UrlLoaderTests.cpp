// The loader on its own: how it stops, and the shared instance (whom it trusts over TLS:
// TransportSecurityTests; the authority named by TARVEL_CA_FILE: ComponentAgainstSandboxTests).
#include <atomic>   // atomic
#include <chrono>   // milliseconds, seconds
#include <cstdlib>  // exit
#include <future>   // promise, async
#include <memory>   // shared_ptr
#include <string>   // string
#include <thread>   // this_thread
#include <utility>  // move

#include <gtest/gtest.h>

#include "CompletionRecorder.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "SilentServer.h"
#include "network/UrlLoader.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::UrlLoader;
using detail::UrlLoadResult;
using detail::UrlRequest;

UrlRequest get(std::string url) {
  UrlRequest request;
  request.url = std::move(url);
  return request;
}

TEST(UrlLoaderTests, StoppingCompletesPendingRequestsOnceWithoutWaitingForThem) {
  test::SilentServer silent;
  ASSERT_TRUE(silent.isListening());
  std::atomic<int> failures = 0;
  auto loader = test::loopbackLoader(60s);
  for (int i = 0; i < 3; ++i) {
    loader->load(get(silent.baseUrl() + "x"), [&](UrlLoadResult result) {
      if (!result.answered()) ++failures;
    });
  }
  // Far less than the requests' own 60 s time-out.
  auto stopped = std::async(std::launch::async, [&] { loader.reset(); });
  ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(failures.load(), 3);
}

TEST(UrlLoaderTests, LoaderReleasedByItsOwnCompletionWindsDown) {
  test::LoopbackServer server;
  server.answerJson("GET", "/x", 200, "{}");
  ASSERT_TRUE(server.start());
  auto loader = test::loopbackLoader(5s);
  std::promise<void> done;
  UrlLoader* raw = loader.get();
  raw->load(get(server.baseUrl() + "x"),
            [keep = std::move(loader), &done](UrlLoadResult) { done.set_value(); });
  // The completion's copy is now the last owner; dropping it ends the loader on its own thread.
  EXPECT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
}

TEST(UrlLoaderTests, SharedLoaderServesAndStopsCleanlyAtExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // In a child process: a finished call, then a call to a server that never answers still
  // pending at exit. The process must end normally rather than hang or crash.
  EXPECT_EXIT(
      {
        test::LoopbackServer server;
        server.answerJson("POST", "/v1/user/verify-otp", 200, "{}");
        test::SilentServer silent;
        if (!server.start() || !silent.isListening()) std::exit(2);
        test::CompletionRecorder recorder;
        test::LoopbackAPIService(server.baseUrl()).verifyOtp({}, recorder.completion());
        if (!recorder.waitForCall() || recorder.last().error) std::exit(3);
        test::LoopbackAPIService(silent.baseUrl()).verifyOtp({}, recorder.completion());
        std::exit(recorder.callCount() == 1 ? 0 : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tarvel
