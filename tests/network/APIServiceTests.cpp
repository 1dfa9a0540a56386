// The real APIService and its loader against loopback servers: what goes on the wire, what each
// handler hands over, how failures complete (a refused or silent server, per flow:
// FaultInjectionTests), what is logged, and redirects. Then the loader on its own: how it stops,
// the shared instance, warming up, and whom it talks to over TLS (the authority named by
// TARVEL_CA_FILE: ComponentAgainstSandboxTests).
#include <algorithm>   // min
#include <atomic>      // atomic
#include <chrono>      // milliseconds, seconds
#include <cstdlib>     // exit
#include <functional>  // function
#include <future>      // promise, future, async
#include <memory>      // make_shared, shared_ptr, unique_ptr
#include <mutex>       // mutex, lock_guard
#include <stdexcept>   // runtime_error
#include <string>      // string
#include <thread>      // thread, this_thread
#include <utility>     // move, pair
#include <vector>      // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv, unsetenv

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "TestCertificateAuthority.h"
#include "UniqueMarker.h"
#include "config/HttpUrl.h"
#include "network/LogRedaction.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using Operation = void (APIService::*)(const Dictionary&, APICompletion);
using Call = test::CompletionRecorder::Call;
using detail::UrlLoader;
using detail::UrlLoadResult;
using Validity = test::TestCertificateAuthority::Validity;

// How long a test watches for a second, wrong completion after the first.
constexpr auto kSecondCallWindow = 50ms;

struct Endpoint {
  Operation call;
  const char* method;
  const char* path;  // as the loopback server sees it
  bool handsData;    // the completion gets the answer's "data", else the whole answer
};

const std::vector<Endpoint> kEndpoints = {
    {&APIService::verifyPaymentData, "POST", "/api/v1/order/verify", true},
    {&APIService::checkPaymentStatus, "POST", "/api/v1/payment/capture", false},
    {&APIService::sendOtp, "POST", "/api/v1/user/send-otp", true},
    {&APIService::reSendOtp, "POST", "/api/v1/user/resend-otp", true},
    {&APIService::verifyOtp, "POST", "/api/v1/user/verify-otp", false},
    {&APIService::appAnalytics, "POST", "/analytics/api/v1/events", false},
    {&APIService::completeOrder, "GET", "/api/v2/rto/track", false},
};

// Calls `operation` once and waits for its completion; fails the test on none or two.
Call callOnce(APIService& service, const Operation& operation, const Dictionary& params) {
  test::CompletionRecorder recorder;
  (service.*operation)(params, recorder.completion());
  EXPECT_TRUE(recorder.waitForCall()) << "no completion";
  EXPECT_FALSE(recorder.waitForCalls(2, kSecondCallWindow)) << "completed twice";
  return recorder.last();
}

// A server that answers every GET and POST (200) with the latest `answer(...)`, with its length or
// streamed without one.
class APIServiceTests : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* method : {"GET", "POST"}) {
      server_.route(method, ".*", [this](const httplib::Request&, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!streamed_) return response.set_content(body_, "application/json");
        response.set_chunked_content_provider(
            "application/json", [body = body_](size_t offset, httplib::DataSink& sink) {
              if (offset == body.size()) {
                sink.done();
                return true;
              }
              return sink.write(&body[offset], std::min<size_t>(64 * 1024, body.size() - offset));
            });
      });
    }
    ASSERT_TRUE(server_.start());
    service_ = std::make_unique<test::LoopbackAPIService>(
        server_.baseUrl() + "api/", server_.baseUrl() + "analytics/", loader_);
  }

  void answer(std::string body, bool streamed = false) {
    std::lock_guard<std::mutex> lock(mutex_);
    body_ = std::move(body);
    streamed_ = streamed;
  }
  Call call(const Operation& operation, const Dictionary& params) {
    return callOnce(*service_, operation, params);
  }

  std::mutex mutex_;  // the answer outlives the server threads that read it
  std::string body_ = R"({"data": {}, "status": true})";
  bool streamed_ = false;
  test::LoopbackServer server_;  // outlives the loader's connections
  std::shared_ptr<detail::UrlLoader> loader_ = test::loopbackLoader();
  std::unique_ptr<test::LoopbackAPIService> service_;
};

// POSTs carry the parameters as JSON; a GET as its query, where empty values stay, empty names
// go and every value arrives whole and as text. Each logs the answer last, cut to a few
// kilobytes with its full size and redacted (each key:
// LogRedactionTests; every flow against the sandbox: SecretsInLogTests), a GET never its query.
TEST_F(APIServiceTests, EachOperationSendsItsRequestAndLogsAndHandsOverItsAnswer) {
  const std::string note = "a+b c&d=e/?#%\xC3\xA9";
  const std::string moid = test::uniqueMarker("moid");
  const std::string token = test::uniqueMarker("token");
  const std::string tail = test::uniqueMarker("tail");
  Dictionary params = Dictionary::parse(R"({"request_id": "", "": "dropped", "amount": 12,
      "rate": 12.5, "none": null, "paid": true, "items": [1, 2]})");
  params["note"] = note;
  params["moid"] = moid;
  const httplib::Params query = {{"request_id", ""}, {"amount", "12"}, {"rate", "12.5"},
                                 {"none", "null"},   {"note", note},   {"paid", "true"},
                                 {"items", "[1,2]"}, {"moid", moid}};
  const Dictionary whole = {
      {"a", "b"},
      {"data", {{"auth_token", token}, {"qrCode", std::string(200 * 1024, 'Q')}, {"tail", tail}}}};
  Dictionary redacted = whole;  // as logged in full
  redacted["data"]["auth_token"] = "<redacted>";
  answer(whole.dump());
  for (const auto& endpoint : kEndpoints) {
    SCOPED_TRACE(endpoint.path);
    const bool post = std::string(endpoint.method) == "POST";
    const bool data = endpoint.handsData;
    test::LogCapture log;
    std::size_t before = server_.requestCount();
    auto result = call(endpoint.call, params);
    ASSERT_EQ(server_.requestCount(), before + 1);
    auto request = server_.requests().back();
    EXPECT_EQ(request.method, endpoint.method);
    EXPECT_EQ(request.path, endpoint.path);
    EXPECT_EQ(request.params, post ? httplib::Params() : query);
    EXPECT_EQ(request.header("Content-Type"), post ? "application/json" : "");
    EXPECT_EQ(request.header("Authorization"), "");
    EXPECT_EQ(request.body, post ? params.dump() : "");
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.error, std::nullopt);
    EXPECT_TRUE(result.response == (data ? whole["data"] : whole)) << "redacted in the log only";

    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    const std::string& dump = lines.back();  // the answer
    EXPECT_LE(dump.size(), detail::kMaxLoggedBytes + 64);
    const std::size_t all = (data ? redacted["data"] : redacted).dump().size();
    EXPECT_NE(dump.find("(" + std::to_string(all) + " bytes in all)"), std::string::npos);
    for (const auto& secret : {token, moid, tail}) EXPECT_FALSE(log.contains(secret)) << secret;
  }
  call(&APIService::completeOrder, Dictionary::object());
  EXPECT_EQ(server_.requests().back().target, "/api/v2/rto/track");  // no "?" without parameters
  test::CompletionRecorder analytics;
  service_->appAnalyticsGet({{"event", "page_load"}}, analytics.completion());
  ASSERT_TRUE(server_.waitForRequests(kEndpoints.size() + 2));
  EXPECT_EQ(server_.requests().back().target, "/analytics/api/analytics/events?event=page_load");
  EXPECT_FALSE(analytics.waitForCall(300ms));  // the analytics GET never completes
}

// One row per way an answer can be unusable (each reason a body cannot be read:
// BoundedJsonTests). Only the handler that hands over the whole answer takes one whose "data" is
// not an object; an answer of a few megabytes is refused before it is parsed, whether announced
// by its length or streamed without one.
TEST_F(APIServiceTests, HostileAnswersCompleteOnceWithAnErrorAndTheLogSaysWhy) {
  std::string items;  // many small objects: the shape that costs a parser most per byte
  while (items.size() < 2 * 1024 * 1024) items += "{\"a\":1},";
  const std::string huge = "{\"data\": {\"items\": [" + items + "{}]}}";
  const std::string noData = "has no object under \"data\"";
  const std::string tooLarge = "answer larger than 1048576 bytes";
  struct Row {
    Operation call;
    std::string body;
    bool streamed;
    std::optional<APIError> error;
    std::string logged;  // empty: the answer is handed over
  };
  using enum APIError;
  const std::vector<Row> rows = {
      {&APIService::verifyOtp, "<html>Bad Gateway</html>", false, dataNotFound, "is not JSON"},
      {&APIService::checkPaymentStatus, "[{}]", false, dataNotFound, "is not a JSON object"},
      {&APIService::sendOtp, R"({"status": true})", false, dataNotFound, noData},
      {&APIService::completeOrder, R"({"data": "text"})", false, dataNotFound, noData},
      {&APIService::verifyOtp, R"({"data": "text"})", false, std::nullopt, ""},
      {&APIService::verifyPaymentData, huge, false, noNetwork, tooLarge},
      {&APIService::appAnalytics, huge, true, noNetwork, tooLarge},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.body.substr(0, 40) + (row.streamed ? ", streamed" : ""));
    answer(row.body, row.streamed);
    test::LogCapture log;
    auto result = call(row.call, {});
    EXPECT_EQ(result.error, row.error);
    EXPECT_EQ(result.response.has_value(), row.logged.empty());  // (not printed: megabytes)
    EXPECT_TRUE(row.logged.empty() || log.contains(row.logged)) << log.text();
    if (row.logged.empty()) {
      EXPECT_EQ(result.response, Dictionary::parse(row.body));
    }
  }
}

TEST_F(APIServiceTests, OverlappingCallsFromManyThreadsEachCompleteOnce) {
  constexpr std::size_t kThreads = 6;
  constexpr std::size_t kCallsPerThread = 10;
  test::CompletionRecorder recorder;
  std::vector<std::thread> callers;
  for (std::size_t t = 0; t < kThreads; ++t) {
    callers.emplace_back([&, t] {
      for (std::size_t i = 0; i < kCallsPerThread; ++i) {
        (service_.get()->*kEndpoints[(t + i) % kEndpoints.size()].call)({{"i", i}},
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
  std::promise<std::thread::id> answered, unsent;
  const auto recordThread = [](std::promise<std::thread::id>& thread) {
    return [&thread](bool, auto, auto) { thread.set_value(std::this_thread::get_id()); };
  };
  service_->verifyOtp({}, nullptr);
  service_->verifyOtp({{"bad", "\xFF"}}, nullptr);
  service_->verifyOtp({}, [](bool, auto, auto) { throw std::runtime_error("host bug"); });
  service_->verifyOtp({}, recordThread(answered));
  service_->verifyOtp({{"bad", "\xFF"}}, recordThread(unsent));
  for (auto* thread : {&answered, &unsent}) {
    auto future = thread->get_future();
    ASSERT_EQ(future.wait_for(10s), std::future_status::ready);
    EXPECT_NE(future.get(), std::this_thread::get_id());
  }
  EXPECT_EQ(call(&APIService::verifyOtp, {}).error, std::nullopt);  // the loader still serves
  EXPECT_TRUE(server_.waitForRequests(4));
  EXPECT_TRUE(log.contains("host bug"));
}

// Parameters that are not JSON (Latin-1, not UTF-8) or base URLs that are not URLs: nothing is
// sent, one completion, one line says why.
TEST_F(APIServiceTests, UnsendableRequestsCompleteOnceWithoutSending) {
  test::LogCapture log;
  const Dictionary invalid = {{"nested", {{"name", "caf\xE9"}}}};
  for (const auto& operation : {&APIService::verifyPaymentData, &APIService::completeOrder}) {
    EXPECT_EQ(call(operation, invalid).error, APIError::dataNotFound);
  }
  EXPECT_EQ(server_.requestCount(), 0u);
  EXPECT_TRUE(log.contains("not sent"));
  test::LoopbackAPIService notAUrl("not a url/", "ftp://127.0.0.1/", loader_);
  for (const auto& operation : {&APIService::sendOtp, &APIService::completeOrder}) {
    EXPECT_EQ(callOnce(notAUrl, operation, {{"k", "v"}}).error, APIError::dataNotFound);
  }
  EXPECT_TRUE(log.contains("is not a valid URL"));
}

// The platform answering with a redirect: only a target on the same origin (scheme, host and
// port) is followed; anything else completes as no network, sends nothing there and is logged
// without its query.
TEST(APIServiceRedirectTests, OnlySameOriginRedirectsAreFollowed) {
  if (!test::LoopbackServer::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
  const std::string query = test::uniqueMarker("query");
  const Dictionary body = {{"otp", "4821"}};
  const Dictionary accepted = {{"data", {{"payment_status", "PAID"}}}};

  test::LoopbackServer elsewhere;  // plain HTTP on another port, recording what reaches it
  ASSERT_TRUE(elsewhere.start());
  const std::string same = "https://staging-api.tarvel.in/v1/moved?" + query;

  struct Row {
    int status;
    std::string location;
    const char* followedAs;  // the method the target sees; nullptr: refused
  };
  // Another origin (a downgrade to http among them: origins, HttpUrlTests) is refused before
  // the status is looked at.
  const std::vector<Row> rows = {
      {301, elsewhere.baseUrl() + "steal?" + query, nullptr},
      {308, "/v1/moved?" + query, "POST"},  // relative: the same origin
      {302, same, "GET"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.status) + " to " + row.location);
    test::LoopbackServer platform(test::LoopbackServer::StagingNames{});
    platform.route("POST", "/v1/payment/capture",
                   [&row](const httplib::Request&, httplib::Response& response) {
                     response.set_redirect(row.location, row.status);
                   });
    platform.answerJson(row.followedAs ? row.followedAs : "GET", "/v1/moved", 200, accepted.dump());
    ASSERT_TRUE(platform.start());
    test::LogCapture log;
    APIService service(platform.loader());
    auto result = callOnce(service, &APIService::checkPaymentStatus, body);

    auto requests = platform.requests();
    if (row.followedAs) {
      EXPECT_EQ(result.error, std::nullopt);
      EXPECT_EQ(result.response, accepted);
      ASSERT_EQ(requests.size(), 2u);
      EXPECT_EQ(requests[1].method, row.followedAs);
      EXPECT_EQ(requests[1].query, query);
      EXPECT_EQ(requests[1].body, std::string(row.followedAs) == "POST" ? body.dump() : "");
    } else {
      EXPECT_EQ(result.error, APIError::noNetwork);
      EXPECT_EQ(requests.size(), 1u);
      EXPECT_TRUE(
          log.contains("refused a redirect to " + row.location.substr(0, row.location.find('?'))))
          << log.text();
    }
    EXPECT_FALSE(log.contains(query));
  }
  EXPECT_EQ(elsewhere.requestCount(), 0u);
}

detail::UrlRequest get(std::string url) {
  detail::UrlRequest request;
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

  EXPECT_TRUE(callOnce(service, &APIService::verifyPaymentData, {{"moid", "M-1"}}).success);
  EXPECT_EQ(platform.connectionCount(), 1u);
  const auto requests = platform.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front().method, "HEAD");
  EXPECT_EQ(requests.back().path, "/v1/order/verify");
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
  if (!test::LoopbackServer::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
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
    options.connectToForTesting = server.connectTo();
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
