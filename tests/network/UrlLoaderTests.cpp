// The loader on its own: how it stops, the shared instance, warming up, and whom it talks to
// over TLS (the authority named by TARVEL_CA_FILE: ComponentAgainstSandboxTests).
#include <algorithm>   // count_if
#include <atomic>      // atomic
#include <chrono>      // milliseconds, seconds
#include <cstdlib>     // exit
#include <functional>  // function
#include <future>      // promise, async
#include <memory>      // make_shared, shared_ptr
#include <string>      // string
#include <thread>      // this_thread
#include <utility>     // move, pair
#include <vector>      // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv, unsetenv

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "SilentServer.h"
#include "StagingPlatform.h"
#include "TestCertificateAuthority.h"
#include "config/HttpUrl.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::UrlLoader;
using detail::UrlLoadResult;
using detail::UrlRequest;
using Validity = test::TestCertificateAuthority::Validity;

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
  if (!test::StagingPlatform::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
  test::StagingPlatform platform;
  platform.server().answerJson("POST", "/v1/order/verify", 200, R"({"status": true, "data": {}})");
  ASSERT_TRUE(platform.start());
  test::LogCapture log;
  auto loader = platform.loader();
  APIService service(loader);  // the configured staging base URL, reached on the server
  loader->warmUp(service.baseUrl());
  loader->warmUp(service.baseUrl());
  ASSERT_TRUE(waitUntil([&] { return log.contains("Warm-up: connected to"); }));
  EXPECT_EQ(platform.server().connectionCount(), 1u);

  test::CompletionRecorder recorder;
  service.verifyPaymentData({{"moid", "M-1"}}, recorder.completion());
  ASSERT_TRUE(recorder.waitForCall());
  EXPECT_TRUE(recorder.last().success);
  EXPECT_EQ(platform.server().connectionCount(), 1u);
  const auto requests = platform.server().requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front().method, "HEAD");
  EXPECT_EQ(requests.back().path, "/v1/order/verify");
}

// A platform that never answers (one that refuses ends the same way, sooner): each warm-up ends
// in one log line and nothing else, the caller never waits, and a later warm-up tries again.
TEST(UrlLoaderTests, WarmUpAgainstAPlatformThatIsDownOnlyLogs) {
  test::SilentServer silent;
  ASSERT_TRUE(silent.isListening());
  test::LogCapture log;
  auto loader = test::loopbackLoader(300ms);
  const auto failures = [&] {
    const auto lines = log.lines();
    return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("Warm-up: cannot reach ") != std::string::npos;
    });
  };
  loader->warmUp(silent.baseUrl());
  loader->warmUp(silent.baseUrl());
  ASSERT_TRUE(waitUntil([&] { return failures() >= 1; }));
  const auto before = failures();
  loader->warmUp(silent.baseUrl());
  ASSERT_TRUE(waitUntil([&] { return failures() > before; }));
  EXPECT_FALSE(log.contains("Warm-up: connected"));
}

// Only a current certificate for a staging host, from the extra authority the loader was given,
// is accepted (as the redirect and warm-up tests and every suite against the sandbox are); an
// expired one, one for another host, the same authority for a production host, or no readable
// authority at all is refused with one completion that says why. Settings that other tools read
// to turn verification off change nothing.
// Settings by which curl-based, OpenSSL-based and other tools are told to skip or widen
// verification; none of them is the component's.
const std::vector<std::pair<const char*, const char*>> kInsecureSettings = {
    {"CURL_CA_BUNDLE", ""},     {"CURL_SSL_NO_VERIFY", "1"}, {"GIT_SSL_NO_VERIFY", "1"},
    {"SSL_NO_VERIFY", "1"},     {"PYTHONHTTPSVERIFY", "0"},  {"NODE_TLS_REJECT_UNAUTHORIZED", "0"},
    {"TARVEL_TLS_VERIFY", "0"}, {"TARVEL_INSECURE", "1"}};

// Both API hosts reach one loopback server; the environment picks which one is called.
TEST(TransportSecurityTests, EveryOtherCertificateIsRefusedBeforeTheRequestLeaves) {
  if (!test::StagingPlatform::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
  struct Case {
    const char* name;
    bool certificateNamesTheHosts;
    Validity validity;
    Environment environment;
    const char* caFile;   // nullptr: the authority that signed the certificate
    const char* refusal;  // what the log says
  };
  const std::vector<Case> cases = {
      {"expired", true, Validity::expired, Environment::staging, nullptr, "certificate"},
      {"for another host", false, Validity::current, Environment::staging, nullptr, "certificate"},
      {"production host", true, Validity::current, Environment::production, nullptr,
       "trusted for staging hosts only"},
      {"no authority", true, Validity::current, Environment::staging, "", "certificate"},
      {"unreadable authority", true, Validity::current, Environment::staging, "/nonexistent/ca.pem",
       "/nonexistent/ca.pem"}};
  for (const auto& setting : kInsecureSettings) ::setenv(setting.first, setting.second, 1);
  const detail::HttpUrl staging = *detail::HttpUrl::parse(Config::devBaseURL());
  const detail::HttpUrl production = *detail::HttpUrl::parse(Config::baseURL());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestCertificateAuthority authority(
        c.certificateNamesTheHosts ? std::vector<std::string>{staging.host(), production.host()}
                                   : std::vector<std::string>{"elsewhere.example"},
        c.validity);
    ASSERT_TRUE(authority.isValid());
    test::LoopbackServer server(authority.serverTls());
    server.answerJson("POST", "/v1/user/verify-otp", 200, R"({"status": true})");
    ASSERT_TRUE(server.start());

    detail::UrlLoader::Options options = detail::UrlLoader::optionsFromEnvironment();
    options.timeout = 10s;
    options.extraCaFile = c.caFile ? c.caFile : authority.caFile();
    for (const auto* host : {&staging, &production}) {
      options.connectToForTesting.push_back(host->host() + ":" + std::to_string(host->port()) +
                                            ":127.0.0.1:" + std::to_string(server.port()));
    }
    NetworkManager::setEnvironment(c.environment);
    test::LogCapture log;
    test::CompletionRecorder recorder;
    {
      APIService service(std::make_shared<detail::UrlLoader>(std::move(options)));
      service.verifyOtp({{"otp", "1234"}}, recorder.completion());
      ASSERT_TRUE(recorder.waitForCall());
    }  // the loader stops here: anything still pending would have completed by now
    NetworkManager::setEnvironment(Environment::staging);
    EXPECT_EQ(recorder.callCount(), 1u);
    EXPECT_EQ(recorder.last().error, APIError::noNetwork);
    EXPECT_EQ(server.requestCount(), 0u);  // the body (and its OTP) never left
    EXPECT_TRUE(
        log.contains("No answer from " + Config::apiBaseURL(c.environment) + "v1/user/verify-otp"));
    EXPECT_TRUE(log.contains(c.refusal)) << log.text();
  }
  for (const auto& setting : kInsecureSettings) ::unsetenv(setting.first);
}

}  // namespace
}  // namespace tarvel
