// The real APIService and its loader against loopback servers: what goes on the wire, what each
// handler hands over, how failures complete, HTTPS trust, stopping, and the environment switch.
#include <gtest/gtest.h>

#include <stdlib.h>  // setenv, unsetenv

#include <algorithm>   // min
#include <atomic>      // atomic
#include <chrono>      // milliseconds
#include <cstdlib>     // exit
#include <functional>  // function
#include <future>      // promise, future, async
#include <memory>      // make_shared, unique_ptr
#include <mutex>       // mutex, lock_guard
#include <stdexcept>   // runtime_error
#include <string>      // string
#include <thread>      // thread, this_thread
#include <utility>     // move
#include <vector>      // vector

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "SilentServer.h"
#include "TestCertificateAuthority.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"
#include "tarvel/NetworkManager.h"

namespace tarvel::test {
namespace {

/// A loader of its own for one test: short time-out, optional extra trusted authority.
std::shared_ptr<detail::UrlLoader> makeLoader(
    std::chrono::milliseconds timeout = std::chrono::milliseconds(5000),
    std::string extraCaFile = {}) {
  detail::UrlLoader::Options options;
  options.timeout = timeout;
  options.extraCaFile = std::move(extraCaFile);
  return std::make_shared<detail::UrlLoader>(std::move(options));
}

/// The real service with its two base URLs pointed at a test server.
struct RedirectedAPIService : APIService {
  RedirectedAPIService(std::shared_ptr<detail::UrlLoader> loader, std::string api,
                       std::string analytics)
      : APIService(std::move(loader)), api(std::move(api)), analytics(std::move(analytics)) {}
  std::string baseUrl() const override { return api; }
  std::string appAnalyticsBaseUrl() const override { return analytics; }
  std::string api, analytics;
};

}  // namespace
}  // namespace tarvel::test

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using Operation = std::function<void(APIService&, const Dictionary&, APICompletion)>;
using Call = test::CompletionRecorder::Call;

#define OPERATION(name) [](APIService& s, const Dictionary& p, APICompletion c) { s.name(p, c); }
const Operation verifyPaymentData = OPERATION(verifyPaymentData);
const Operation checkPaymentStatus = OPERATION(checkPaymentStatus);
const Operation sendOtp = OPERATION(sendOtp);
const Operation verifyOtp = OPERATION(verifyOtp);
const Operation completeOrder = OPERATION(completeOrder);
const Operation appAnalytics = OPERATION(appAnalytics);

// How long a test watches for a second, wrong completion after the first.
constexpr auto kSecondCallWindow = 50ms;

const Dictionary kAnswerWithData = {{"data", {{"a", 1}}}, {"status", true}};

struct PostEndpoint {
  const char* name;
  Operation call;
  const char* path;    // as the loopback server sees it
  bool handsOverData;  // the "data" object rather than the whole answer
  bool needsData;      // an answer without "data" is refused
};

const std::vector<PostEndpoint> kPostEndpoints = {
    {"verifyPaymentData", verifyPaymentData, "/api/v1/order/verify", true, true},
    {"checkPaymentStatus", checkPaymentStatus, "/api/v1/payment/capture", false, true},
    {"sendOtp", sendOtp, "/api/v1/user/send-otp", true, true},
    {"reSendOtp", OPERATION(reSendOtp), "/api/v1/user/resend-otp", true, true},
    {"verifyOtp", verifyOtp, "/api/v1/user/verify-otp", false, false},
    {"appAnalytics", appAnalytics, "/analytics/api/v1/events", false, true},
};

// Calls `operation` once and waits for its completion; fails the test on none or two.
Call callOnce(APIService& service, const Operation& operation, const Dictionary& params) {
  test::CompletionRecorder recorder;
  operation(service, params, recorder.completion());
  EXPECT_TRUE(recorder.waitForCall()) << "no completion";
  EXPECT_FALSE(recorder.waitForCalls(2, kSecondCallWindow)) << "completed twice";
  return recorder.last();
}

// A server that answers every GET and POST with the latest `answer(...)`.
class APIServiceTests : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* method : {"GET", "POST"}) {
      server_.route(method, ".*", [this](const httplib::Request&, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex_);
        response.status = status_;
        response.set_content(body_, "application/json");
      });
    }
    ASSERT_TRUE(server_.start());
    service_ = std::make_unique<test::RedirectedAPIService>(loader_, server_.baseUrl() + "api/",
                                                            server_.baseUrl() + "analytics/");
  }

  void answer(int status, std::string body) {
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status;
    body_ = std::move(body);
  }
  Call call(const Operation& operation, const Dictionary& params) {
    return callOnce(*service_, operation, params);
  }

  std::mutex mutex_;  // the answer outlives the server threads that read it
  int status_ = 200;
  std::string body_ = kAnswerWithData.dump();
  test::LoopbackServer server_;  // outlives the loader's connections
  std::shared_ptr<detail::UrlLoader> loader_ = test::makeLoader();
  std::unique_ptr<test::RedirectedAPIService> service_;
};

TEST_F(APIServiceTests, PostsEachOperationAsJsonToItsEndpoint) {
  const Dictionary params = {{"tarvel_oid", "T-1"}, {"auth_token", "tok"}, {"n", 12}};
  for (const auto& endpoint : kPostEndpoints) {
    SCOPED_TRACE(endpoint.name);
    std::size_t before = server_.requestCount();
    auto result = call(endpoint.call, params);
    ASSERT_EQ(server_.requestCount(), before + 1);
    auto request = server_.requests().back();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, endpoint.path);
    EXPECT_EQ(request.query, "");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_FALSE(request.hasHeader("Authorization"));
    EXPECT_EQ(request.jsonBody(), params);

    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.error, std::nullopt);
    EXPECT_EQ(result.response, endpoint.handsOverData ? kAnswerWithData["data"] : kAnswerWithData);
  }
}

TEST_F(APIServiceTests, GetOperationsSendTheirParametersAsQuery) {
  const std::string note = "a+b c&d=e/?#%\xC3\xA9";
  Dictionary params = Dictionary::parse(R"({"request_id": "", "moid": "", "": "dropped",
      "amount": 12, "rate": 12.5, "none": null, "paid": true, "items": [1, 2]})");
  params["note"] = note;
  auto result = call(completeOrder, params);
  EXPECT_EQ(result.response, kAnswerWithData);
  call(completeOrder, Dictionary::object());
  test::CompletionRecorder analytics;
  service_->appAnalyticsGet({{"event", "page_load"}}, analytics.completion());
  ASSERT_TRUE(server_.waitForRequests(3));

  auto requests = server_.requests();
  const auto& order = requests[0];
  EXPECT_EQ(order.method, "GET");
  EXPECT_EQ(order.path, "/api/v2/rto/track");
  EXPECT_EQ(order.body, "");
  EXPECT_FALSE(order.hasHeader("Content-Type"));
  // Empty values stay, empty names go; every value arrives whole and as text.
  EXPECT_EQ(order.params, (httplib::Params{{"request_id", ""},
                                           {"moid", ""},
                                           {"amount", "12"},
                                           {"rate", "12.5"},
                                           {"none", "null"},
                                           {"note", note},
                                           {"paid", "true"},
                                           {"items", "[1,2]"}}));
  EXPECT_EQ(order.query.find("dropped"), std::string::npos);
  EXPECT_EQ(requests[1].target, "/api/v2/rto/track");  // no "?" without parameters
  EXPECT_EQ(requests[2].method, "GET");
  EXPECT_EQ(requests[2].target, "/analytics/api/analytics/events?event=page_load");
  EXPECT_FALSE(analytics.waitForCall(300ms));  // the analytics GET never completes
}

TEST_F(APIServiceTests, AnswerShapeDecidesTheOutcomeNotTheStatusCode) {
  const Dictionary dataNotAnObject = {{"status", false}, {"data", "not an object"}};
  answer(200, dataNotAnObject.dump());
  for (const auto& endpoint : kPostEndpoints) {
    SCOPED_TRACE(endpoint.name);
    auto result = call(endpoint.call, {{"k", "v"}});
    EXPECT_TRUE(result.success);
    if (endpoint.needsData) {
      EXPECT_EQ(result.error, APIError::dataNotFound);
      EXPECT_EQ(result.response, std::nullopt);
    } else {
      EXPECT_EQ(result.error, std::nullopt);
      EXPECT_EQ(result.response, dataNotAnObject);
    }
  }
  EXPECT_EQ(call(completeOrder, {}).error, APIError::dataNotFound);

  // Not JSON, not an object, empty, not UTF-8, trailing text: no handler accepts it.
  for (const char* body : {"<html>Bad Gateway</html>", R"([{"data": {}}])", "", "\xFF\xFE{",
                           "{\"data\": {}} trailing", "{\"data\": {\"a\": \"\xC3\x28\"}}"}) {
    answer(200, body);
    for (const auto& endpoint : kPostEndpoints) {
      SCOPED_TRACE(std::string(endpoint.name) + " <- " + body);
      auto result = call(endpoint.call, {});
      EXPECT_TRUE(result.success);
      EXPECT_EQ(result.response, std::nullopt);
      EXPECT_EQ(result.error, APIError::dataNotFound);
    }
    EXPECT_EQ(call(completeOrder, {}).error, APIError::dataNotFound) << body;
  }

  answer(500, R"({"data": {}})");
  auto whole = call(checkPaymentStatus, {});
  EXPECT_EQ(whole.error, std::nullopt);
  EXPECT_EQ(whole.response, (Dictionary{{"data", Dictionary::object()}}));
  EXPECT_EQ(call(verifyPaymentData, {}).response, Dictionary::object());
}

TEST_F(APIServiceTests, UnreachableServerCompletesOnceWithNoNetwork) {
  test::SilentServer silent;  // accepts connections, never answers
  ASSERT_TRUE(silent.isListening());
  const std::string closed = test::SilentServer::closedPortUrl();
  test::RedirectedAPIService refused(loader_, closed, closed);
  test::RedirectedAPIService timedOut(test::makeLoader(300ms), silent.baseUrl(), silent.baseUrl());
  for (auto* service : {&refused, &timedOut}) {
    for (const auto& operation : {verifyPaymentData, sendOtp, completeOrder}) {
      auto result = callOnce(*service, operation, {{"k", "v"}});
      EXPECT_TRUE(result.success);
      EXPECT_EQ(result.response, std::nullopt);
      EXPECT_EQ(result.error, APIError::noNetwork);
    }
  }
}

TEST_F(APIServiceTests, HugeAnswerCompletesOnceWithAnErrorInsteadOfExhaustingMemory) {
  // Shared with the server threads, which may still be writing when the test ends.
  auto huge = std::make_shared<const std::string>(20 * 1024 * 1024, ' ');
  test::LoopbackServer server;
  server.route("POST", "/v1/order/verify",
               [huge](const httplib::Request&, httplib::Response& response) {
                 response.set_content(*huge, "application/json");
               });
  server.route("POST", "/v1/payment/capture",
               [huge](const httplib::Request&, httplib::Response& response) {
                 // Streamed without a length, so only the running count can stop it.
                 response.set_chunked_content_provider(
                     "application/json", [huge](size_t offset, httplib::DataSink& sink) {
                       if (offset >= huge->size()) return sink.done(), true;
                       return sink.write(huge->data() + offset,
                                         std::min<size_t>(1024 * 1024, huge->size() - offset)),
                              true;
                     });
               });
  ASSERT_TRUE(server.start());
  test::RedirectedAPIService service(test::makeLoader(), server.baseUrl(), server.baseUrl());
  for (const auto& operation : {verifyPaymentData, checkPaymentStatus}) {
    auto result = callOnce(service, operation, {});
    EXPECT_TRUE(result.error.has_value());
    EXPECT_EQ(result.response, std::nullopt);
  }
}

TEST_F(APIServiceTests, SequentialCallsReuseOneConnection) {
  for (int i = 0; i < 5; ++i) call(i % 2 == 0 ? kPostEndpoints[i].call : completeOrder, {});
  EXPECT_EQ(server_.requestCount(), 5u);
  EXPECT_EQ(server_.connectionCount(), 1u);
}

TEST_F(APIServiceTests, OverlappingCallsFromManyThreadsEachCompleteOnce) {
  constexpr std::size_t kThreads = 6;
  constexpr std::size_t kCallsPerThread = 10;
  test::CompletionRecorder recorder;
  std::vector<std::thread> callers;
  for (std::size_t t = 0; t < kThreads; ++t) {
    callers.emplace_back([&, t] {
      for (std::size_t i = 0; i < kCallsPerThread; ++i) {
        kPostEndpoints[(t + i) % kPostEndpoints.size()].call(*service_, {{"i", i}},
                                                             recorder.completion());
      }
    });
  }
  for (auto& caller : callers) caller.join();
  ASSERT_TRUE(recorder.waitForCalls(kThreads * kCallsPerThread));
  EXPECT_FALSE(recorder.waitForCalls(kThreads * kCallsPerThread + 1, kSecondCallWindow));
  for (const auto& result : recorder.calls()) EXPECT_EQ(result.error, std::nullopt);
}

TEST_F(APIServiceTests, CompletionsRunOffTheCallerAndMayBeEmptyOrThrow) {
  test::LogCapture log;
  std::promise<std::thread::id> answered;
  std::promise<std::thread::id> unsent;
  service_->verifyOtp({}, nullptr);
  service_->verifyOtp({{"bad", "\xFF"}}, nullptr);
  service_->verifyOtp({}, [](bool, std::optional<Dictionary>, std::optional<APIError>) {
    throw std::runtime_error("host bug");
  });
  service_->verifyOtp({}, [&](bool, std::optional<Dictionary>, std::optional<APIError>) {
    answered.set_value(std::this_thread::get_id());
  });
  service_->verifyOtp({{"bad", "\xFF"}},
                      [&](bool, std::optional<Dictionary>, std::optional<APIError>) {
                        unsent.set_value(std::this_thread::get_id());
                      });
  auto answeredFuture = answered.get_future();
  auto unsentFuture = unsent.get_future();
  ASSERT_EQ(answeredFuture.wait_for(10s), std::future_status::ready);
  ASSERT_EQ(unsentFuture.wait_for(10s), std::future_status::ready);
  EXPECT_NE(answeredFuture.get(), std::this_thread::get_id());
  EXPECT_NE(unsentFuture.get(), std::this_thread::get_id());
  EXPECT_EQ(call(verifyOtp, {}).error, std::nullopt);  // the loader still serves
  EXPECT_TRUE(server_.waitForRequests(4));
  EXPECT_TRUE(log.contains("host bug"));
}

TEST_F(APIServiceTests, UnsendableCallsCompleteOnceWithoutSending) {
  test::LogCapture log;
  const Dictionary invalid = {{"nested", {{"name", "caf\xE9"}}}};  // Latin-1, not UTF-8
  for (const auto& operation : {verifyPaymentData, completeOrder}) {
    EXPECT_EQ(call(operation, invalid).error, APIError::dataNotFound);
  }
  EXPECT_EQ(server_.requestCount(), 0u);
  EXPECT_TRUE(log.contains("not sent"));

  test::RedirectedAPIService notAUrl(loader_, "not a url/", "ftp://127.0.0.1/");
  for (const auto& operation : {sendOtp, completeOrder, appAnalytics}) {
    EXPECT_EQ(callOnce(notAUrl, operation, {{"k", "v"}}).error, APIError::dataNotFound);
  }
  EXPECT_TRUE(log.contains("is not a valid URL"));
}

TEST_F(APIServiceTests, LogsFixedLinesAndNeverSecrets) {
  const Dictionary secrets = {{"auth_token", "SECRET-TOKEN"},
                              {"keep", "visible"},
                              {"data",
                               {{"otp", "4321"},
                                {"auth_token", "INNER-TOKEN"},
                                {"list", {{{"auth_token", "LIST-TOKEN"}}}}}}};
  answer(200, secrets.dump());
  test::LogCapture log;

  auto whole = call(checkPaymentStatus, {});  // handler 1
  std::vector<std::string> expected = {server_.baseUrl() + "api/v1/payment/capture",
                                       "Inside success completion", "+++RESPONSE+++"};
  auto lines = log.lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), expected);
  EXPECT_NE(lines[3].find("visible"), std::string::npos);
  EXPECT_EQ(whole.response, secrets);  // redaction touches the log only

  for (const auto& operation : {sendOtp, verifyOtp}) {  // handlers 2 and 3
    log.clear();
    call(operation, {});
    lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "+++RESPONSE+++");
  }
  call(completeOrder, {});
  for (const char* secret : {"SECRET-TOKEN", "INNER-TOKEN", "LIST-TOKEN", "4321"}) {
    EXPECT_FALSE(log.contains(secret)) << secret;
  }

  // A GET logs nothing before sending, and its query stays out of the log.
  answer(200, R"({"status": 1})");
  log.clear();
  EXPECT_EQ(call(completeOrder, {{"moid", "m"}}).error, APIError::dataNotFound);
  EXPECT_FALSE(log.contains("moid"));
  EXPECT_FALSE(log.contains("+++RESPONSE+++"));
}

class EnvironmentRoutingTests : public ::testing::Test {
 protected:
  void TearDown() override { NetworkManager::setEnvironment(Environment::staging); }
};

TEST_F(EnvironmentRoutingTests, StartsAsStagingAndTheLastWriterWins) {
  APIService service;
  EXPECT_EQ(NetworkManager::environment(), Environment::staging);
  EXPECT_EQ(service.baseUrl(), Config::devBaseURL());
  EXPECT_EQ(service.appAnalyticsBaseUrl(), Config::devAppAnalyticsBaseURL());
  NetworkManager::setEnvironment(Environment::production);
  EXPECT_EQ(service.baseUrl(), "https://api.tarvel.in/");
  EXPECT_EQ(service.appAnalyticsBaseUrl(), "https://analytics.tarvel.in/");
  NetworkManager::setEnvironment(Environment::staging);
  EXPECT_EQ(service.baseUrl(), Config::devBaseURL());
  EXPECT_EQ(service.appAnalyticsBaseUrl(), Config::devAppAnalyticsBaseURL());
}

using detail::UrlLoader;
using detail::UrlLoadResult;
using detail::UrlRequest;

UrlRequest get(std::string url) {
  UrlRequest request;
  request.url = std::move(url);
  return request;
}

TEST(UrlLoaderTests, HttpsIsRefusedUntilTheExtraAuthorityIsTrusted) {
  test::TestCertificateAuthority authority;
  ASSERT_TRUE(authority.isValid());
  test::LoopbackServer server(authority.serverTls());
  server.answerJson("POST", "/v1/user/verify-otp", 200, R"({"status": true})");
  ASSERT_TRUE(server.start());
  test::LogCapture log;
  for (const char* caFile : {"", "/nonexistent/ca.pem"}) {
    SCOPED_TRACE(caFile);
    test::RedirectedAPIService untrusting(test::makeLoader(5s, caFile), server.baseUrl(), "");
    test::CompletionRecorder recorder;
    untrusting.verifyOtp({{"otp", "1234"}}, recorder.completion());
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_EQ(recorder.last().error, APIError::noNetwork);
  }
  EXPECT_TRUE(log.contains("/nonexistent/ca.pem"));  // an unreadable file is logged
  EXPECT_EQ(server.requestCount(), 0u);
  {
    test::RedirectedAPIService trusting(test::makeLoader(5s, authority.caFile()), server.baseUrl(),
                                        "");
    test::CompletionRecorder recorder;
    trusting.verifyOtp({{"otp", "1234"}}, recorder.completion());
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_EQ(recorder.last().error, std::nullopt);
    EXPECT_EQ(recorder.last().response, (Dictionary{{"status", true}}));
  }
  EXPECT_EQ(server.requests().at(0).jsonBody(), (Dictionary{{"otp", "1234"}}));
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
  auto loader = test::makeLoader(60s);
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
  auto loader = test::makeLoader();
  std::promise<void> done;
  UrlLoader* raw = loader.get();
  raw->load(get(server.baseUrl() + "x"),
            [keep = std::move(loader), &done](UrlLoadResult) { done.set_value(); });
  // The completion's copy is now the last owner; dropping it ends the loader on its own thread.
  EXPECT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
  std::this_thread::sleep_for(50ms);
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
        answered.verifyOtp({}, recorder.completion());
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
