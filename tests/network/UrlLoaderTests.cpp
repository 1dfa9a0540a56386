#include <gtest/gtest.h>

#include <stdlib.h>  // setenv, unsetenv

#include <atomic>   // atomic
#include <chrono>   // steady_clock
#include <cstdlib>  // exit
#include <future>   // promise, future
#include <memory>   // shared_ptr
#include <thread>   // this_thread

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "NetworkTestSupport.h"
#include "SilentServer.h"
#include "TestCertificateAuthority.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::UrlLoader;
using detail::UrlLoadResult;
using detail::UrlRequest;

// Loads `url` and waits (bounded) for the one result.
UrlLoadResult loadOnce(UrlLoader& loader, UrlRequest request) {
  auto promise = std::make_shared<std::promise<UrlLoadResult>>();
  auto future = promise->get_future();
  loader.load(std::move(request), [promise](UrlLoadResult result) { promise->set_value(result); });
  if (future.wait_for(10s) != std::future_status::ready) {
    ADD_FAILURE() << "no result within 10 s";
    return {};
  }
  return future.get();
}

UrlRequest get(std::string url) {
  UrlRequest request;
  request.url = std::move(url);
  return request;
}

TEST(UrlLoaderTests, DeliversAnyCompleteAnswerWithItsStatus) {
  test::LoopbackServer server;
  server.answerJson("GET", "/missing", 404, R"({"error": "none here"})");
  ASSERT_TRUE(server.start());
  auto loader = test::makeLoader();
  auto result = loadOnce(*loader, get(server.baseUrl() + "missing"));
  EXPECT_TRUE(result.answered());
  EXPECT_EQ(result.statusCode, 404);
  EXPECT_EQ(result.body, R"({"error": "none here"})");
}

TEST(UrlLoaderTests, UntrustedCertificateIsRefused) {
  test::TestCertificateAuthority authority;
  ASSERT_TRUE(authority.isValid());
  test::LoopbackServer server(authority.serverTls());
  server.answerJson("GET", "/hello", 200, "{}");
  ASSERT_TRUE(server.start());
  auto loader = test::makeLoader();
  auto result = loadOnce(*loader, get(server.baseUrl() + "hello"));
  EXPECT_FALSE(result.answered());
  EXPECT_FALSE(result.failure.empty());
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST(UrlLoaderTests, ExtraAuthorityMakesTheCertificateTrusted) {
  test::TestCertificateAuthority authority;
  ASSERT_TRUE(authority.isValid());
  test::LoopbackServer server(authority.serverTls());
  server.answerJson("POST", "/v1/user/verify-otp", 200, R"({"status": true})");
  ASSERT_TRUE(server.start());
  {
    auto loader = test::makeLoader(5s, authority.caFile());
    test::RedirectedAPIService service(loader, server.baseUrl(), server.baseUrl());
    test::CompletionRecorder recorder;
    service.verifyOtp({{"otp", "1234"}}, recorder.completion());
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_EQ(recorder.last().error, std::nullopt);
    EXPECT_EQ(recorder.last().response, (Dictionary{{"status", true}}));
  }
  EXPECT_EQ(server.requests().at(0).jsonBody(), (Dictionary{{"otp", "1234"}}));
}

TEST(UrlLoaderTests, UnreadableAuthorityFileIsLoggedAndAddsNothing) {
  test::TestCertificateAuthority authority;
  test::LoopbackServer server(authority.serverTls());
  server.answerJson("GET", "/hello", 200, "{}");
  ASSERT_TRUE(server.start());
  test::LogCapture log;
  auto loader = test::makeLoader(5s, "/nonexistent/ca.pem");
  EXPECT_TRUE(log.contains("/nonexistent/ca.pem"));
  EXPECT_FALSE(loadOnce(*loader, get(server.baseUrl() + "hello")).answered());
}

TEST(UrlLoaderTests, SharedLoaderTakesItsAuthorityFromTheEnvironment) {
  ::setenv("TARVEL_CA_FILE", "/tmp/extra-ca.pem", 1);
  EXPECT_EQ(UrlLoader::optionsFromEnvironment().extraCaFile, "/tmp/extra-ca.pem");
  ::unsetenv("TARVEL_CA_FILE");
  EXPECT_EQ(UrlLoader::optionsFromEnvironment().extraCaFile, "");
  EXPECT_EQ(UrlLoader::optionsFromEnvironment().timeout, 60s);
}

TEST(UrlLoaderTests, StoppingCompletesPendingRequestsOnceAndPromptly) {
  test::SilentServer silent;
  ASSERT_TRUE(silent.isListening());
  std::atomic<int> failures = 0;
  auto loader = test::makeLoader(60s);
  for (int i = 0; i < 3; ++i) {
    loader->load(get(silent.baseUrl() + "x"), [&](UrlLoadResult result) {
      if (!result.answered()) ++failures;
    });
  }
  auto started = std::chrono::steady_clock::now();
  loader.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_EQ(failures.load(), 3);
}

TEST(UrlLoaderTests, LoaderReleasedByItsOwnCompletionWindsDown) {
  test::LoopbackServer server;
  server.answerJson("GET", "/x", 200, "{}");
  ASSERT_TRUE(server.start());
  auto loader = test::makeLoader();
  std::promise<void> done;
  UrlLoader* raw = loader.get();
  raw->load(get(server.baseUrl() + "x"),
            [keep = std::move(loader), &done](UrlLoadResult) { done.set_value(); });
  // The completion's copy is now the last owner; dropping it ends the loader on its own thread.
  EXPECT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
  std::this_thread::sleep_for(50ms);
}

TEST(UrlLoaderTests, PostedTasksRunOnTheLoaderThread) {
  auto loader = test::makeLoader();
  std::promise<std::thread::id> ran;
  loader->post([&] { ran.set_value(std::this_thread::get_id()); });
  auto future = ran.get_future();
  ASSERT_EQ(future.wait_for(10s), std::future_status::ready);
  EXPECT_NE(future.get(), std::this_thread::get_id());
}

TEST(UrlLoaderTests, OnlyAbsoluteHttpUrlsWithAHostAreLoadable) {
  EXPECT_TRUE(UrlLoader::isLoadableUrl("https://api.tarvel.in/v1/order/verify"));
  EXPECT_TRUE(UrlLoader::isLoadableUrl("http://127.0.0.1:8080/v2/rto/track?a=%20b"));
  EXPECT_TRUE(UrlLoader::isLoadableUrl("http://[::1]:8080/x"));
  for (const char* bad : {"", "not a url", "api.tarvel.in/v1", "ftp://host/x", "file:///etc/hosts",
                          "http:///v1/user/send-otp", "http://", "http://a b/", "http://host/a b",
                          "http://host:99999/", "javascript:alert(1)", "http://host/\n"}) {
    EXPECT_FALSE(UrlLoader::isLoadableUrl(bad)) << bad;
  }
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
        test::RedirectedAPIService answered(nullptr, server.baseUrl(), server.baseUrl());
        APIService& shared = answered;
        shared.verifyOtp({}, recorder.completion());
        if (!recorder.waitForCall() || recorder.last().error) std::exit(3);
        test::RedirectedAPIService hanging(nullptr, silent.baseUrl(), silent.baseUrl());
        hanging.verifyOtp({}, recorder.completion());
        std::this_thread::sleep_for(50ms);
        std::exit(recorder.callCount() == 1 ? 0 : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tarvel
