#include <gtest/gtest.h>

#include <algorithm>   // min
#include <atomic>      // atomic
#include <functional>  // function
#include <future>      // promise, future
#include <memory>      // make_shared
#include <stdexcept>   // runtime_error
#include <string>      // string
#include <thread>      // thread, this_thread
#include <vector>      // vector

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "NetworkTestSupport.h"
#include "SilentServer.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using Operation = std::function<void(APIService&, const Dictionary&, APICompletion)>;

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

const std::vector<PostEndpoint>& postEndpoints() {
  static const std::vector<PostEndpoint> endpoints = {
      {"verifyPaymentData",
       [](APIService& s, const Dictionary& p, APICompletion c) { s.verifyPaymentData(p, c); },
       "/api/v1/order/verify", true, true},
      {"checkPaymentStatus",
       [](APIService& s, const Dictionary& p, APICompletion c) { s.checkPaymentStatus(p, c); },
       "/api/v1/payment/capture", false, true},
      {"sendOtp", [](APIService& s, const Dictionary& p, APICompletion c) { s.sendOtp(p, c); },
       "/api/v1/user/send-otp", true, true},
      {"reSendOtp", [](APIService& s, const Dictionary& p, APICompletion c) { s.reSendOtp(p, c); },
       "/api/v1/user/resend-otp", true, true},
      {"verifyOtp", [](APIService& s, const Dictionary& p, APICompletion c) { s.verifyOtp(p, c); },
       "/api/v1/user/verify-otp", false, false},
      {"appAnalytics",
       [](APIService& s, const Dictionary& p, APICompletion c) { s.appAnalytics(p, c); },
       "/analytics/api/v1/events", false, true},
  };
  return endpoints;
}

Operation completeOrder() {
  return [](APIService& s, const Dictionary& p, APICompletion c) { s.completeOrder(p, c); };
}

class APIServiceTests : public ::testing::Test {
 protected:
  // Answers every path with `status` and `body`, then starts the server.
  void serveEverywhere(int status, const std::string& body) {
    server_.answerJson("GET", ".*", status, body);
    server_.answerJson("POST", ".*", status, body);
    ASSERT_TRUE(server_.start());
  }

  test::RedirectedAPIService service() {
    return test::RedirectedAPIService(loader_, server_.baseUrl() + "api/",
                                      server_.baseUrl() + "analytics/");
  }

  // Calls `operation` once and waits for its completion; fails the test on none or two.
  test::CompletionRecorder::Call callOnce(const Operation& operation, const Dictionary& params) {
    test::CompletionRecorder recorder;
    auto svc = service();
    operation(svc, params, recorder.completion());
    EXPECT_TRUE(recorder.waitForCall()) << "no completion";
    EXPECT_FALSE(recorder.waitForCalls(2, kSecondCallWindow)) << "completed twice";
    return recorder.last();
  }

  test::LoopbackServer server_;  // declared first: outlives the loader's connections
  std::shared_ptr<detail::UrlLoader> loader_ = test::makeLoader();
};

TEST_F(APIServiceTests, PostsEachOperationAsJsonToItsEndpoint) {
  serveEverywhere(200, kAnswerWithData.dump());
  const Dictionary params = {{"tarvel_oid", "T-1"}, {"auth_token", "tok"}, {"n", 12}};
  for (const auto& endpoint : postEndpoints()) {
    SCOPED_TRACE(endpoint.name);
    std::size_t before = server_.requestCount();
    auto call = callOnce(endpoint.call, params);
    ASSERT_EQ(server_.requestCount(), before + 1);
    auto request = server_.requests().back();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, endpoint.path);
    EXPECT_EQ(request.query, "");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_FALSE(request.hasHeader("Authorization"));
    EXPECT_EQ(request.jsonBody(), params);

    EXPECT_TRUE(call.success);
    EXPECT_EQ(call.error, std::nullopt);
    EXPECT_EQ(call.response, endpoint.handsOverData ? kAnswerWithData["data"] : kAnswerWithData);
  }
}

TEST_F(APIServiceTests, CompleteOrderSendsItsParametersAsQuery) {
  serveEverywhere(200, kAnswerWithData.dump());
  auto call = callOnce(completeOrder(), {{"request_id", ""},
                                         {"moid", ""},
                                         {"", "dropped"},
                                         {"amount", 12},
                                         {"note", "a b&c=d/\xC3\xA9"},
                                         {"paid", true},
                                         {"items", {1, 2}}});
  ASSERT_EQ(server_.requestCount(), 1u);
  auto request = server_.requests()[0];
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.path, "/api/v2/rto/track");
  EXPECT_EQ(request.body, "");
  EXPECT_FALSE(request.hasHeader("Content-Type"));
  EXPECT_EQ(request.params.size(), 6u);
  EXPECT_EQ(request.params.count("request_id"), 1u);
  EXPECT_EQ(request.params.find("request_id")->second, "");
  EXPECT_EQ(request.params.find("moid")->second, "");
  EXPECT_EQ(request.params.find("amount")->second, "12");
  EXPECT_EQ(request.params.find("note")->second, "a b&c=d/\xC3\xA9");
  EXPECT_EQ(request.params.find("paid")->second, "true");
  EXPECT_EQ(request.params.find("items")->second, "[1,2]");
  EXPECT_EQ(request.query.find("dropped"), std::string::npos);
  EXPECT_EQ(call.response, kAnswerWithData);
}

TEST_F(APIServiceTests, GetWithoutParametersHasNoQueryMark) {
  serveEverywhere(200, kAnswerWithData.dump());
  callOnce(completeOrder(), Dictionary::object());
  ASSERT_EQ(server_.requestCount(), 1u);
  EXPECT_EQ(server_.requests()[0].target, "/api/v2/rto/track");
}

TEST_F(APIServiceTests, AnalyticsGetSendsItsQueryAndNeverCompletes) {
  serveEverywhere(200, kAnswerWithData.dump());
  test::CompletionRecorder recorder;
  auto svc = service();
  svc.appAnalyticsGet({{"event", "page_load"}}, recorder.completion());
  ASSERT_TRUE(server_.waitForRequests(1));
  auto request = server_.requests()[0];
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, "/analytics/api/analytics/events?event=page_load");
  EXPECT_FALSE(recorder.waitForCall(300ms));
}

TEST_F(APIServiceTests, AnswerWithoutDataCompletesWithError) {
  serveEverywhere(200, R"({"status": false, "data": "not an object"})");
  for (const auto& endpoint : postEndpoints()) {
    SCOPED_TRACE(endpoint.name);
    auto call = callOnce(endpoint.call, {{"k", "v"}});
    EXPECT_TRUE(call.success);
    if (endpoint.needsData) {
      EXPECT_EQ(call.error, APIError::dataNotFound);
      EXPECT_EQ(call.response, std::nullopt);
    } else {
      EXPECT_EQ(call.error, std::nullopt);
      EXPECT_EQ(call.response, (Dictionary{{"status", false}, {"data", "not an object"}}));
    }
  }
  EXPECT_EQ(callOnce(completeOrder(), {}).error, APIError::dataNotFound);
}

TEST_F(APIServiceTests, AnswerThatIsNotJsonCompletesWithDataNotFound) {
  serveEverywhere(200, "<html>Bad Gateway</html>");
  for (const auto& endpoint : postEndpoints()) {
    SCOPED_TRACE(endpoint.name);
    auto call = callOnce(endpoint.call, {});
    EXPECT_TRUE(call.success);
    EXPECT_EQ(call.response, std::nullopt);
    EXPECT_EQ(call.error, APIError::dataNotFound);
  }
}

TEST_F(APIServiceTests, JsonThatIsNotAnObjectCompletesWithDataNotFound) {
  serveEverywhere(200, R"([{"data": {}}])");
  EXPECT_EQ(callOnce(postEndpoints()[4].call, {}).error, APIError::dataNotFound);  // verifyOtp
  EXPECT_EQ(callOnce(completeOrder(), {}).error, APIError::dataNotFound);
}

TEST_F(APIServiceTests, EmptyAndNonUtf8BodiesCompleteWithDataNotFound) {
  std::vector<std::string> bodies = {"", "\xFF\xFE{", "{\"data\": {\"a\": \"\xC3\x28\"}}",
                                     std::string(100000, '['), "{\"data\": {}} trailing"};
  std::atomic<std::size_t> next = 0;
  server_.route("POST", ".*", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(bodies[next++ % bodies.size()], "application/json");
  });
  ASSERT_TRUE(server_.start());
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    SCOPED_TRACE(i);
    auto call = callOnce(postEndpoints()[1].call, {});  // checkPaymentStatus
    EXPECT_EQ(call.error, APIError::dataNotFound);
  }
}

TEST_F(APIServiceTests, StatusCodeDecidesNothing) {
  serveEverywhere(500, R"({"data": {}})");
  auto call = callOnce(postEndpoints()[1].call, {});  // checkPaymentStatus
  EXPECT_EQ(call.error, std::nullopt);
  EXPECT_EQ(call.response, (Dictionary{{"data", Dictionary::object()}}));
  EXPECT_EQ(callOnce(postEndpoints()[0].call, {}).response, Dictionary::object());
}

TEST_F(APIServiceTests, ClosedPortCompletesOnceWithNoNetwork) {
  test::RedirectedAPIService svc(loader_, test::SilentServer::closedPortUrl(),
                                 test::SilentServer::closedPortUrl());
  for (const auto& operation : {postEndpoints()[0].call, completeOrder()}) {
    test::CompletionRecorder recorder;
    operation(svc, {{"k", "v"}}, recorder.completion());
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_FALSE(recorder.waitForCalls(2, kSecondCallWindow));
    EXPECT_TRUE(recorder.last().success);
    EXPECT_EQ(recorder.last().response, std::nullopt);
    EXPECT_EQ(recorder.last().error, APIError::noNetwork);
  }
}

TEST_F(APIServiceTests, ServerThatNeverAnswersTimesOutOnceWithNoNetwork) {
  test::SilentServer silent;
  ASSERT_TRUE(silent.isListening());
  test::RedirectedAPIService svc(test::makeLoader(300ms), silent.baseUrl(), silent.baseUrl());
  test::CompletionRecorder recorder;
  svc.sendOtp({{"phone", "98"}}, recorder.completion());
  ASSERT_TRUE(recorder.waitForCall(5s));
  EXPECT_FALSE(recorder.waitForCalls(2, kSecondCallWindow));
  EXPECT_EQ(recorder.last().error, APIError::noNetwork);
}

TEST_F(APIServiceTests, HugeAnswerCompletesOnceWithAnErrorInsteadOfExhaustingMemory) {
  // Shared with the server threads, which may still be writing when the test ends.
  auto huge = std::make_shared<const std::string>(20 * 1024 * 1024, ' ');
  server_.route("POST", "/api/v1/order/verify",
                [huge](const httplib::Request&, httplib::Response& response) {
                  response.set_content(*huge, "application/json");
                });
  server_.route("POST", "/api/v1/payment/capture",
                [huge](const httplib::Request&, httplib::Response& response) {
                  // Streamed without a length, so only the running count can stop it.
                  response.set_chunked_content_provider(
                      "application/json", [huge](size_t offset, httplib::DataSink& sink) {
                        constexpr size_t kChunk = 1024 * 1024;
                        if (offset >= huge->size()) {
                          sink.done();
                        } else {
                          sink.write(huge->data() + offset,
                                     std::min(kChunk, huge->size() - offset));
                        }
                        return true;
                      });
                });
  ASSERT_TRUE(server_.start());
  for (int i : {0, 1}) {
    SCOPED_TRACE(i);
    auto call = callOnce(postEndpoints()[i].call, {});
    EXPECT_TRUE(call.error.has_value());
    EXPECT_EQ(call.response, std::nullopt);
  }
}

TEST_F(APIServiceTests, SequentialCallsReuseOneConnection) {
  serveEverywhere(200, kAnswerWithData.dump());
  for (int i = 0; i < 5; ++i) callOnce(i % 2 == 0 ? postEndpoints()[i].call : completeOrder(), {});
  EXPECT_EQ(server_.requestCount(), 5u);
  EXPECT_EQ(server_.connectionCount(), 1u);
}

TEST_F(APIServiceTests, OverlappingCallsFromManyThreadsEachCompleteOnce) {
  serveEverywhere(200, kAnswerWithData.dump());
  constexpr int kThreads = 6;
  constexpr int kCallsPerThread = 10;
  test::CompletionRecorder recorder;
  auto svc = service();
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back([&, t] {
      for (int i = 0; i < kCallsPerThread; ++i) {
        postEndpoints()[(t + i) % postEndpoints().size()].call(svc, {{"i", i}},
                                                               recorder.completion());
      }
    });
  }
  for (auto& caller : callers) caller.join();
  ASSERT_TRUE(recorder.waitForCalls(kThreads * kCallsPerThread));
  EXPECT_FALSE(recorder.waitForCalls(kThreads * kCallsPerThread + 1, kSecondCallWindow));
  for (const auto& call : recorder.calls()) EXPECT_EQ(call.error, std::nullopt);
}

TEST_F(APIServiceTests, CompletionsRunOnTheLoaderThreadNeverTheCaller) {
  serveEverywhere(200, kAnswerWithData.dump());
  auto svc = service();
  std::promise<std::thread::id> answered;
  std::promise<std::thread::id> unsent;
  svc.verifyOtp({}, [&](bool, std::optional<Dictionary>, std::optional<APIError>) {
    answered.set_value(std::this_thread::get_id());
  });
  svc.verifyOtp({{"bad", "\xFF"}}, [&](bool, std::optional<Dictionary>, std::optional<APIError>) {
    unsent.set_value(std::this_thread::get_id());
  });
  auto answeredFuture = answered.get_future();
  auto unsentFuture = unsent.get_future();
  ASSERT_EQ(answeredFuture.wait_for(10s), std::future_status::ready);
  ASSERT_EQ(unsentFuture.wait_for(10s), std::future_status::ready);
  EXPECT_NE(answeredFuture.get(), std::this_thread::get_id());
  EXPECT_NE(unsentFuture.get(), std::this_thread::get_id());
}

TEST_F(APIServiceTests, ParametersThatAreNotJsonCompleteOnceWithoutSending) {
  serveEverywhere(200, kAnswerWithData.dump());
  test::LogCapture log;
  const Dictionary invalid = {{"name", "caf\xE9"}};  // Latin-1, not UTF-8
  for (const auto& operation : {postEndpoints()[0].call, completeOrder()}) {
    auto call = callOnce(operation, {{"nested", invalid}});
    EXPECT_EQ(call.error, APIError::dataNotFound);
  }
  EXPECT_EQ(server_.requestCount(), 0u);
  EXPECT_TRUE(log.contains("not sent"));
}

TEST_F(APIServiceTests, BaseUrlThatIsNotAUrlCompletesOnceWithoutSending) {
  test::LogCapture log;
  for (const char* base : {"not a url/", "ftp://127.0.0.1/", "", "http:///"}) {
    SCOPED_TRACE(base);
    test::RedirectedAPIService svc(loader_, base, base);
    for (const auto& operation : {postEndpoints()[2].call, completeOrder()}) {
      test::CompletionRecorder recorder;
      operation(svc, {{"k", "v"}}, recorder.completion());
      ASSERT_TRUE(recorder.waitForCall());
      EXPECT_FALSE(recorder.waitForCalls(2, kSecondCallWindow));
      EXPECT_EQ(recorder.last().error, APIError::dataNotFound);
    }
  }
  EXPECT_TRUE(log.contains("is not a valid URL"));
}

TEST_F(APIServiceTests, EmptyCompletionIsAllowed) {
  serveEverywhere(200, kAnswerWithData.dump());
  auto svc = service();
  svc.verifyOtp({}, nullptr);
  svc.verifyOtp({{"bad", "\xFF"}}, nullptr);
  ASSERT_TRUE(server_.waitForRequests(1));
  EXPECT_EQ(callOnce(postEndpoints()[4].call, {}).error, std::nullopt);  // still serving
}

TEST_F(APIServiceTests, ThrowingCompletionDoesNotStopTheLoader) {
  serveEverywhere(200, kAnswerWithData.dump());
  test::LogCapture log;
  auto svc = service();
  svc.verifyOtp({}, [](bool, std::optional<Dictionary>, std::optional<APIError>) {
    throw std::runtime_error("host bug");
  });
  EXPECT_EQ(callOnce(postEndpoints()[4].call, {}).error, std::nullopt);
  EXPECT_TRUE(log.contains("host bug"));
}

TEST_F(APIServiceTests, LogsFixedLinesAndNeverSecrets) {
  const Dictionary answer = {{"auth_token", "SECRET-TOKEN"},
                             {"data", {{"otp", "4321"}, {"auth_token", "INNER-TOKEN"}}}};
  serveEverywhere(200, answer.dump());
  test::LogCapture log;
  auto svc = service();

  auto whole = callOnce(postEndpoints()[1].call, {});  // checkPaymentStatus: handler 1
  std::vector<std::string> expected = {server_.baseUrl() + "api/v1/payment/capture",
                                       "Inside success completion", "+++RESPONSE+++"};
  auto lines = log.lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), expected);
  EXPECT_EQ(whole.response, answer);  // redaction touches the log only

  log.clear();
  callOnce(postEndpoints()[2].call, {});  // sendOtp: handler 2
  lines = log.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "+++RESPONSE+++");

  log.clear();
  callOnce(postEndpoints()[4].call, {});  // verifyOtp: handler 3
  lines = log.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "+++RESPONSE+++");

  callOnce(completeOrder(), {});
  std::string text = log.text();
  for (const char* secret : {"SECRET-TOKEN", "INNER-TOKEN", "4321"}) {
    EXPECT_EQ(text.find(secret), std::string::npos) << secret;
  }
}

TEST_F(APIServiceTests, GetRequestsLogNothingBeforeSending) {
  serveEverywhere(200, R"({"status": 1})");
  test::LogCapture log;
  EXPECT_EQ(callOnce(completeOrder(), {{"moid", "m"}}).error, APIError::dataNotFound);
  EXPECT_EQ(log.text().find("moid"), std::string::npos);  // the query stays out of the log
  EXPECT_FALSE(log.contains("+++RESPONSE+++"));
}

}  // namespace
}  // namespace tarvel
