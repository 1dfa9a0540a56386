// The loader on its own: how it stops, and the shared instance (whom it trusts over TLS:
// TransportSecurityTests; the authority named by TARVEL_CA_FILE: ComponentAgainstSandboxTests).
#include <algorithm>   // count_if
#include <atomic>      // atomic
#include <chrono>      // milliseconds, seconds
#include <cstdlib>     // exit
#include <functional>  // function
#include <future>      // promise, async
#include <memory>      // shared_ptr
#include <string>      // string
#include <thread>      // this_thread
#include <utility>     // move

#include <gtest/gtest.h>

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
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
  test::LoopbackServer silent(test::LoopbackServer::Silent{});
  ASSERT_TRUE(silent.start());
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
        test::LoopbackServer silent(test::LoopbackServer::Silent{});
        if (!server.start() || !silent.start()) std::exit(2);
        test::CompletionRecorder recorder;
        test::LoopbackAPIService(server.baseUrl()).verifyOtp({}, recorder.completion());
        if (!recorder.waitForCall() || recorder.last().error) std::exit(3);
        test::LoopbackAPIService(silent.baseUrl()).verifyOtp({}, recorder.completion());
        std::exit(recorder.callCount() == 1 ? 0 : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

// Polls `done` every millisecond for at most 10 s.
bool waitUntil(const std::function<bool()>& done) {
  for (int waited = 0; waited < 10000 && !done(); ++waited) {
    std::this_thread::sleep_for(1ms);
  }
  return done();
}

// Warmed up twice, the loader opens one connection to the staging host (over TLS, trusting the
// extra authority), and the first real request (a verify, as a checkout's first) goes out on it:
// the server sees one connection in all.
TEST(UrlLoaderTests, WarmUpOpensTheConnectionTheFirstRequestReuses) {
  if (!test::LoopbackServer::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
  test::LoopbackServer platform(test::LoopbackServer::StagingNames{});
  platform.answerJson("POST", "/v1/order/verify", 200, R"({"status": true, "data": {}})");
  ASSERT_TRUE(platform.start());
  test::LogCapture log;
  auto loader = platform.loader();
  APIService service(loader);  // the configured staging base URL, reached on the server
  loader->warmUp(service.baseUrl());
  loader->warmUp(service.baseUrl());
  ASSERT_TRUE(waitUntil([&] { return log.contains("Warm-up: connected to"); }));
  EXPECT_EQ(platform.connectionCount(), 1u);

  test::CompletionRecorder recorder;
  service.verifyPaymentData({{"moid", "M-1"}}, recorder.completion());
  ASSERT_TRUE(recorder.waitForCall());
  EXPECT_TRUE(recorder.last().success);
  EXPECT_EQ(platform.connectionCount(), 1u);
  const auto requests = platform.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front().method, "HEAD");
  EXPECT_EQ(requests.back().path, "/v1/order/verify");
}

// A platform that refuses or never answers: each warm-up ends in one log line and nothing
// else, the caller never waits, and a later warm-up tries again.
TEST(UrlLoaderTests, WarmUpAgainstAPlatformThatIsDownOnlyLogs) {
  test::LoopbackServer silent(test::LoopbackServer::Silent{});
  ASSERT_TRUE(silent.start());
  for (const std::string& url : {test::LoopbackServer::closedPortUrl(), silent.baseUrl()}) {
    SCOPED_TRACE(url);
    test::LogCapture log;
    auto loader = test::loopbackLoader(300ms);
    const auto failures = [&] {
      const auto lines = log.lines();
      return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Warm-up: cannot reach ") != std::string::npos;
      });
    };
    loader->warmUp(url);
    loader->warmUp(url);
    ASSERT_TRUE(waitUntil([&] { return failures() >= 1; }));
    const auto before = failures();
    loader->warmUp(url);
    ASSERT_TRUE(waitUntil([&] { return failures() > before; }));
    EXPECT_FALSE(log.contains("Warm-up: connected"));
  }
}

}  // namespace
}  // namespace tarvel
