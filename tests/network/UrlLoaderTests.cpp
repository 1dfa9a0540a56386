// The loader on its own: whom it trusts over TLS, how it stops, and the shared instance.
#include <atomic>   // atomic
#include <chrono>   // milliseconds, seconds
#include <cstdlib>  // exit
#include <future>   // promise, async
#include <memory>   // shared_ptr
#include <string>   // string
#include <thread>   // this_thread
#include <utility>  // move

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv, unsetenv

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "SilentServer.h"
#include "StagingPlatform.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/NetworkManager.h"

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

std::shared_ptr<UrlLoader> makeLoader(std::chrono::milliseconds timeout) {
  UrlLoader::Options options;
  options.timeout = timeout;
  return std::make_shared<UrlLoader>(std::move(options));
}

// The real service at the configured hosts; the environment picks staging or production.
test::CompletionRecorder::Call verifyOtpThrough(std::shared_ptr<UrlLoader> loader,
                                                Environment environment) {
  NetworkManager::setEnvironment(environment);
  APIService service(std::move(loader));
  test::CompletionRecorder recorder;
  service.verifyOtp({{"otp", "1234"}}, recorder.completion());
  EXPECT_TRUE(recorder.waitForCall());
  NetworkManager::setEnvironment(Environment::staging);
  return recorder.last();
}

class UrlLoaderTrustTests : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::StagingPlatform::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
    platform_.server().answerJson("POST", "/v1/user/verify-otp", 200, R"({"status": true})");
    ASSERT_TRUE(platform_.start());
  }
  void TearDown() override { NetworkManager::setEnvironment(Environment::staging); }

  test::StagingPlatform platform_;
};

TEST_F(UrlLoaderTrustTests, ExtraAuthorityVouchesForTheStagingHost) {
  auto result = verifyOtpThrough(platform_.loader(), Environment::staging);
  EXPECT_EQ(result.error, std::nullopt);
  EXPECT_EQ(result.response, (Dictionary{{"status", true}}));
  EXPECT_EQ(platform_.server().requests().at(0).jsonBody(), (Dictionary{{"otp", "1234"}}));
}

TEST_F(UrlLoaderTrustTests, ExtraAuthorityNeverVouchesForAProductionHost) {
  test::LogCapture log;
  auto result = verifyOtpThrough(platform_.loader(), Environment::production);
  EXPECT_EQ(result.error, APIError::noNetwork);
  EXPECT_EQ(platform_.server().requestCount(), 0u);
  EXPECT_TRUE(log.contains("No answer from https://api.tarvel.in/v1/user/verify-otp"));
  EXPECT_TRUE(log.contains("trusted for staging hosts only"));
}

TEST_F(UrlLoaderTrustTests, WithoutAReadableAuthorityTheStagingHostIsRefusedToo) {
  test::LogCapture log;
  for (const char* caFile : {"", "/nonexistent/ca.pem"}) {
    SCOPED_TRACE(caFile);
    EXPECT_EQ(verifyOtpThrough(platform_.loader(caFile), Environment::staging).error,
              APIError::noNetwork);
  }
  EXPECT_TRUE(log.contains("/nonexistent/ca.pem"));  // an unreadable file is logged
  EXPECT_EQ(platform_.server().requestCount(), 0u);
}

TEST(UrlLoaderTests, SharedLoaderTakesItsAuthorityFromTheEnvironment) {
  ::setenv("TARVEL_CA_FILE", "/tmp/extra-ca.pem", 1);
  EXPECT_EQ(UrlLoader::optionsFromEnvironment().extraCaFile, "/tmp/extra-ca.pem");
  ::unsetenv("TARVEL_CA_FILE");
  EXPECT_EQ(UrlLoader::optionsFromEnvironment().extraCaFile, "");
  EXPECT_EQ(UrlLoader::optionsFromEnvironment().timeout, 60s);
}

TEST(UrlLoaderTests, StoppingCompletesPendingRequestsOnceWithoutWaitingForThem) {
  test::SilentServer silent;
  ASSERT_TRUE(silent.isListening());
  std::atomic<int> failures = 0;
  auto loader = makeLoader(60s);
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
  auto loader = makeLoader(5s);
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
