// APIService round trips against loopback servers: the cost the component adds per call
// (request building, the loader thread hand-off, parsing, logging) over a kept-alive
// connection, and the same POST over HTTPS from a bare, reused libcurl handle beside it.
#include <chrono>              // steady_clock, duration
#include <condition_variable>  // condition_variable
#include <memory>              // make_shared
#include <mutex>               // mutex, lock_guard, unique_lock
#include <string>              // string
#include <vector>              // vector

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "SideBySide.h"
#include "StagingPlatform.h"
#include "tarvel/APIService.h"

namespace {

const char* const kCaptureAnswer = R"({"data": {"payment_status": "PENDING"}})";
const tarvel::Dictionary kCaptureParams = {{"tarvel_oid", "T-1"}, {"auth_token", "token"}};

void BM_APIServiceRoundTrip(benchmark::State& state) {
  tarvel::test::LoopbackServer server;
  server.answerJson("POST", ".*", 200, kCaptureAnswer);
  if (!server.start()) {
    state.SkipWithError("loopback server did not start");
    return;
  }
  tarvel::test::LogCapture quiet;  // keeps the response lines off the console
  {
    tarvel::test::LoopbackAPIService service(server.baseUrl(), {},
                                             std::make_shared<tarvel::detail::UrlLoader>());
    const auto inFlight = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
      tarvel::test::CompletionRecorder recorder;
      for (std::size_t i = 0; i < inFlight; ++i) {
        service.checkPaymentStatus(kCaptureParams, recorder.completion());
      }
      if (!recorder.waitForCalls(inFlight)) {
        state.SkipWithError("a call did not complete");
        break;
      }
      quiet.clear();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * inFlight));
  }
  state.counters["connections"] = static_cast<double>(server.connectionCount());
}
BENCHMARK(BM_APIServiceRoundTrip)->Arg(1)->Arg(6)->UseRealTime();

// A task handed to the loader thread and its completion heard back on the calling thread, with
// no transfer: the two thread hand-offs every call makes on top of the transfer itself, and so
// the part of a round trip that a bare, synchronous libcurl handle does not pay.
void BM_LoaderThreadHandOff(benchmark::State& state) {
  tarvel::detail::UrlLoader loader;
  std::mutex mutex;
  std::condition_variable heard;
  for (auto _ : state) {
    bool done = false;
    loader.post([&] {
      std::lock_guard<std::mutex> lock(mutex);
      done = true;
      heard.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    heard.wait(lock, [&] { return done; });
  }
}
BENCHMARK(BM_LoaderThreadHandOff)->UseRealTime();

// The same POST the service makes, from one libcurl easy handle kept across calls: the
// floor a round trip over this TLS connection can reach.
class BareCurlPost {
 public:
  BareCurlPost(const std::string& url, const std::string& caFile,
               const std::vector<std::string>& connectTo)
      : body_(kCaptureParams.dump()) {
    easy_ = curl_easy_init();
    headers_ = curl_slist_append(headers_, "Content-Type: application/json");
    for (const auto& entry : connectTo) connectTo_ = curl_slist_append(connectTo_, entry.c_str());
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    if (!caFile.empty()) curl_easy_setopt(easy_, CURLOPT_CAINFO, caFile.c_str());
    if (connectTo_ != nullptr) curl_easy_setopt(easy_, CURLOPT_CONNECT_TO, connectTo_);
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.c_str());
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &BareCurlPost::collect);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &answer_);
  }
  ~BareCurlPost() {
    curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
    curl_slist_free_all(connectTo_);
  }
  BareCurlPost(const BareCurlPost&) = delete;
  BareCurlPost& operator=(const BareCurlPost&) = delete;

  bool post() {
    answer_.clear();
    return curl_easy_perform(easy_) == CURLE_OK && !answer_.empty();
  }

 private:
  static size_t collect(char* data, size_t size, size_t count, void* answer) {
    static_cast<std::string*>(answer)->append(data, size * count);
    return size * count;
  }

  std::string body_;
  std::string answer_;
  CURL* easy_ = nullptr;
  curl_slist* headers_ = nullptr;
  curl_slist* connectTo_ = nullptr;
};

// One sequential status poll through `service` and one from the bare reused libcurl handle per
// iteration, against the same server. Reports both medians and their ratio; the component aims
// to stay within 10 % of the bare handle.
void pollServiceVersusBareCurl(benchmark::State& state, tarvel::APIService& service,
                               BareCurlPost& bare) {
  const auto poll = [&] {
    tarvel::test::CompletionRecorder recorder;
    service.checkPaymentStatus(kCaptureParams, recorder.completion());
    return recorder.waitForCall() && !recorder.last().error;
  };
  const auto barePoll = [&] { return bare.post(); };
  tarvel::bench::sideBySide(state, poll, barePoll, "service_us", "bare_curl_us",
                            "a poll got no answer");
}

// Over HTTPS, reached under the staging host name so that the extra CA applies as in a
// staging run.
void BM_HttpsPollServiceVersusBareCurl(benchmark::State& state) {
  tarvel::test::StagingPlatform platform;
  platform.server().answerJson("POST", "/v1/payment/capture", 200, kCaptureAnswer);
  if (!tarvel::test::StagingPlatform::usesDefaultHosts() || !platform.start()) {
    state.SkipWithError("the HTTPS loopback platform did not start");
    return;
  }
  tarvel::test::LogCapture quiet;                 // keeps the response lines off the console
  tarvel::APIService service(platform.loader());  // the configured staging base URL
  BareCurlPost bare(service.baseUrl() + "v1/payment/capture", platform.authority().caFile(),
                    platform.connectTo());
  pollServiceVersusBareCurl(state, service, bare);
  state.counters["connections"] = static_cast<double>(platform.server().connectionCount());
}
BENCHMARK(BM_HttpsPollServiceVersusBareCurl)
    ->Iterations(tarvel::bench::iterationsOr(200))
    ->UseRealTime();

// Over plain HTTP, where a server's delayed acknowledgement meets a client's Nagle delay
// unless both keep their connection and send each request in one piece.
void BM_HttpPollServiceVersusBareCurl(benchmark::State& state) {
  tarvel::test::LoopbackServer server;
  server.answerJson("POST", "/v1/payment/capture", 200, kCaptureAnswer);
  if (!server.start()) {
    state.SkipWithError("the loopback server did not start");
    return;
  }
  tarvel::test::LogCapture quiet;
  tarvel::test::LoopbackAPIService service(server.baseUrl(), {},
                                           std::make_shared<tarvel::detail::UrlLoader>());
  BareCurlPost bare(server.baseUrl() + "v1/payment/capture", {}, {});
  pollServiceVersusBareCurl(state, service, bare);
  state.counters["connections"] = static_cast<double>(server.connectionCount());
}
BENCHMARK(BM_HttpPollServiceVersusBareCurl)
    ->Iterations(tarvel::bench::iterationsOr(200))
    ->UseRealTime();

}  // namespace
