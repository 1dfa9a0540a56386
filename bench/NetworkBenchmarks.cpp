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

#include "BareCurl.h"
#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "SideBySide.h"
#include "tarvel/APIService.h"

namespace {

const char* const kCaptureAnswer = R"({"data": {"payment_status": "PENDING"}})";
const tarvel::Dictionary kCaptureParams = {{"tarvel_oid", "T-1"}, {"auth_token", "token"}};

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

// One sequential status poll through the service and one from a bare reused libcurl handle
// per iteration, against the same server; both medians and their ratio (the component aims to
// stay within 10 % of the bare handle). Over HTTPS the server is reached under the staging
// host name, so that the extra CA applies as in a staging run; over plain HTTP a server's
// delayed acknowledgement meets a client's Nagle delay unless both keep their connection and
// send each request in one piece.
void pollServiceVersusBareCurl(benchmark::State& state, bool https) {
  tarvel::test::LoopbackServer platform(tarvel::test::LoopbackServer::StagingNames{});
  tarvel::test::LoopbackServer plain;
  tarvel::test::LoopbackServer& server = https ? platform : plain;
  server.answerJson("POST", "/v1/payment/capture", 200, kCaptureAnswer);
  if (https ? !tarvel::test::LoopbackServer::usesDefaultHosts() || !platform.start()
            : !plain.start()) {
    state.SkipWithError("the loopback platform did not start");
    return;
  }
  tarvel::test::LogCapture quiet;  // keeps the response lines off the console
  {
    tarvel::test::LoopbackAPIService loopback(server.baseUrl(), {},
                                              std::make_shared<tarvel::detail::UrlLoader>());
    tarvel::APIService staging(platform.loader());  // the configured staging base URL
    tarvel::APIService& service = https ? staging : loopback;
    tarvel::bench::BareCurlPost bare(service.baseUrl() + "v1/payment/capture",
                                     kCaptureParams.dump(), https ? platform.caFile() : "",
                                     https ? platform.connectTo() : std::vector<std::string>());
    const auto poll = [&] {
      tarvel::test::CompletionRecorder recorder;
      service.checkPaymentStatus(kCaptureParams, recorder.completion());
      return recorder.waitForCall() && !recorder.last().error;
    };
    tarvel::bench::sideBySide(
        state, poll, [&] { return bare.post(); }, "service_us", "bare_curl_us",
        "a poll got no answer");
  }
  state.counters["connections"] = static_cast<double>(server.connectionCount());
}
BENCHMARK_CAPTURE(pollServiceVersusBareCurl, Https, true)
    ->Name("BM_HttpsPollServiceVersusBareCurl")
    ->Iterations(tarvel::bench::iterationsOr(200))
    ->UseRealTime();
BENCHMARK_CAPTURE(pollServiceVersusBareCurl, Http, false)
    ->Name("BM_HttpPollServiceVersusBareCurl")
    ->Iterations(tarvel::bench::iterationsOr(200))
    ->UseRealTime();

}  // namespace
