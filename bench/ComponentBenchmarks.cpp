// The component's costs beside the bare libraries underneath, on the same work: APIService round
// trips against loopback servers (request building, the loader thread hand-off, parsing,
// logging, over a kept-alive connection) beside the same POST from a bare, reused libcurl
// handle; and the largest answer the platform sends, a verify answer with a 100 KB "qrCode"
// image, through the answer parse and its log line beside nlohmann's parse alone, and the
// screen's QR decode beside a bare QImage load of the same PNG.
#include <algorithm>           // fill_n
#include <condition_variable>  // condition_variable
#include <memory>              // make_shared
#include <mutex>               // mutex, lock_guard, unique_lock
#include <string>              // string
#include <vector>              // vector

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include "BareCurl.h"
#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "SideBySide.h"
#include "network/AnswerParsing.h"
#include "network/LogRedaction.h"
#include "screens/upi/QrCodeDecoding.h"
#include "tarvel/APIService.h"

namespace tarvel {
namespace {

const char* const kCaptureAnswer = R"({"data": {"payment_status": "PENDING"}})";
const Dictionary kCaptureParams = {{"tarvel_oid", "T-1"}, {"auth_token", "token"}};

// A task handed to the loader thread and its completion heard back on the calling thread, with
// no transfer: the two thread hand-offs every call makes on top of the transfer itself, and so
// the part of a round trip that a bare, synchronous libcurl handle does not pay.
void BM_LoaderThreadHandOff(benchmark::State& state) {
  detail::UrlLoader loader;
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
  test::LoopbackServer platform(test::LoopbackServer::StagingNames{});
  test::LoopbackServer plain;
  test::LoopbackServer& server = https ? platform : plain;
  server.answerJson("POST", "/v1/payment/capture", 200, kCaptureAnswer);
  if (https ? !test::LoopbackServer::usesDefaultHosts() || !platform.start() : !plain.start()) {
    state.SkipWithError("the loopback platform did not start");
    return;
  }
  test::LogCapture quiet;  // keeps the response lines off the console
  {
    test::LoopbackAPIService loopback(server.baseUrl(), {}, std::make_shared<detail::UrlLoader>());
    APIService staging(platform.loader());  // the configured staging base URL
    APIService& service = https ? staging : loopback;
    bench::BareCurlPost bare(service.baseUrl() + "v1/payment/capture", kCaptureParams.dump(),
                             https ? platform.caFile() : "",
                             https ? platform.connectTo() : std::vector<std::string>());
    const auto poll = [&] {
      test::CompletionRecorder recorder;
      service.checkPaymentStatus(kCaptureParams, recorder.completion());
      return recorder.waitForCall() && !recorder.last().error;
    };
    bench::sideBySide(
        state, poll, [&] { return bare.post(); }, "service_us", "bare_curl_us",
        "a poll got no answer");
  }
  state.counters["connections"] = static_cast<double>(server.connectionCount());
}
BENCHMARK_CAPTURE(pollServiceVersusBareCurl, Https, true)
    ->Name("BM_HttpsPollServiceVersusBareCurl")
    ->Iterations(bench::iterationsOr(200))
    ->UseRealTime();
BENCHMARK_CAPTURE(pollServiceVersusBareCurl, Http, false)
    ->Name("BM_HttpPollServiceVersusBareCurl")
    ->Iterations(bench::iterationsOr(200))
    ->UseRealTime();

constexpr qsizetype kQrCodeTextBytes = 100 * 1024;

// A QR-like picture (4-pixel black and white modules) whose base64 PNG is about 100 KB: the
// largest "qrCode" the platform sends. Made once, with the "qrCode" text that carries it.
struct LargeQrCode {
  QByteArray png;
  std::string text;
};
const LargeQrCode& largeQrCode() {
  static const LargeQrCode qrCode = [] {
    QRandomGenerator random(20261206);
    for (int modules = 400;; modules += 8) {
      QImage image(modules * 4, modules * 4, QImage::Format_Grayscale8);
      for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
          const int shade = random.bounded(2) == 0 ? 0 : 255;
          for (int dy = 0; dy < 4; ++dy) {
            std::fill_n(image.scanLine(y * 4 + dy) + x * 4, 4, static_cast<uchar>(shade));
          }
        }
      }
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, "PNG");
      const QByteArray text = bytes.toBase64();
      if (text.size() >= kQrCodeTextBytes) {
        return LargeQrCode{bytes, "data:image/png;base64," + text.toStdString()};
      }
    }
  }();
  return qrCode;
}

// Per iteration: the component's handling of the answer (the bounded parse and the redacted
// log line the service writes) and nlohmann's parse of the same bytes; medians and their ratio.
void BM_VerifyAnswerVersusBareParse(benchmark::State& state) {
  nlohmann::json answer = nlohmann::json::parse(R"({"status": true, "message": "Order verified",
    "data": {"tarvel_oid": "tvl_1f0c2b", "auth_token": "4f1d6a0c9b8e7d6c5b4a39281706f5e4d3c2b1a0",
      "uapp": ["phonepe", "gpay", "paytm", "bhim"], "total": "499.00", "currency": "INR",
      "u_link": "upi://pay?pa=tarvel.sandbox%40upi&pn=Tarvel&am=499.00&tr=tvl_1f0c2b&cu=INR",
      "msg": {"heading": "Success!", "text": "Order verified."}}})");
  answer["data"]["qrCode"] = largeQrCode().text;
  const std::string body = answer.dump();
  const auto component = [&] {
    auto parsed = detail::parseAnswer(body);
    if (parsed) benchmark::DoNotOptimize(detail::describeForLog(*parsed.value));
    return static_cast<bool>(parsed);
  };
  const auto bare = [&] {
    benchmark::DoNotOptimize(nlohmann::json::parse(body));
    return true;
  };
  bench::sideBySide(state, component, bare, "component_us", "bare_us", "the answer did not parse");
  state.counters["answer_bytes"] = static_cast<double>(body.size());
}
BENCHMARK(BM_VerifyAnswerVersusBareParse)->Iterations(bench::iterationsOr(60))->UseRealTime();

// Per iteration: the screen's decode of the "qrCode" text (base64 and PNG) and a bare QImage
// load of the same PNG bytes; medians and their ratio.
void BM_QrDecodeVersusBareImageLoad(benchmark::State& state) {
  const auto& [png, qrCode] = largeQrCode();
  const auto component = [&] { return !detail::decodeQrCode(qrCode).image.isNull(); };
  const auto bare = [&] {
    QImage image;
    return image.loadFromData(png, "PNG") && !image.isNull();
  };
  bench::sideBySide(state, component, bare, "component_us", "bare_us",
                    "the QR code did not decode");
  state.counters["png_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_QrDecodeVersusBareImageLoad)->Iterations(bench::iterationsOr(60))->UseRealTime();

}  // namespace
}  // namespace tarvel
