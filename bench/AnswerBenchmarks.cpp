// The largest answer the platform sends, a verify answer with a 100 KB "qrCode" image, taken
// through the component's handling beside the bare libraries underneath: the answer parse and
// its log line against nlohmann's parse alone, and the screen's QR decode against a bare QImage
// load of the same PNG.
#include <algorithm>  // fill_n
#include <string>     // string

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "SideBySide.h"
#include "network/AnswerParsing.h"
#include "network/LogRedaction.h"
#include "screens/upi/QrCodeDecoding.h"

namespace {

constexpr qsizetype kQrCodeTextBytes = 100 * 1024;

// A QR-like picture (4-pixel black and white modules) whose base64 PNG is about 100 KB: the
// largest "qrCode" the platform sends. Made once.
const QByteArray& largeQrPng() {
  static const QByteArray png = [] {
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
      if (bytes.toBase64().size() >= kQrCodeTextBytes) return bytes;
    }
  }();
  return png;
}

std::string verifyAnswerWith(const QByteArray& png) {
  const std::string qrCode = "data:image/png;base64," + png.toBase64().toStdString();
  nlohmann::json answer = nlohmann::json::parse(R"({"status": true, "message": "Order verified",
    "data": {"tarvel_oid": "tvl_1f0c2b", "auth_token": "4f1d6a0c9b8e7d6c5b4a39281706f5e4d3c2b1a0",
      "uapp": ["phonepe", "gpay", "paytm", "bhim"], "total": "499.00", "currency": "INR",
      "u_link": "upi://pay?pa=tarvel.sandbox%40upi&pn=Tarvel&am=499.00&tr=tvl_1f0c2b&cu=INR",
      "msg": {"heading": "Success!", "text": "Order verified."}}})");
  answer["data"]["qrCode"] = qrCode;
  return answer.dump();
}

// Per iteration: the component's handling of the answer (the bounded parse and the redacted
// log line the service writes) and nlohmann's parse of the same bytes; medians and their ratio.
void BM_VerifyAnswerVersusBareParse(benchmark::State& state) {
  const std::string body = verifyAnswerWith(largeQrPng());
  const auto component = [&] {
    auto parsed = tarvel::detail::parseAnswer(body);
    if (parsed) benchmark::DoNotOptimize(tarvel::detail::describeForLog(*parsed.value));
    return static_cast<bool>(parsed);
  };
  const auto bare = [&] {
    benchmark::DoNotOptimize(nlohmann::json::parse(body));
    return true;
  };
  tarvel::bench::sideBySide(state, component, bare, "component_us", "bare_us",
                            "the answer did not parse");
  state.counters["answer_bytes"] = static_cast<double>(body.size());
}
BENCHMARK(BM_VerifyAnswerVersusBareParse)
    ->Iterations(tarvel::bench::iterationsOr(60))
    ->UseRealTime();

// Per iteration: the screen's decode of the "qrCode" text (base64 and PNG) and a bare QImage
// load of the same PNG bytes; medians and their ratio.
void BM_QrDecodeVersusBareImageLoad(benchmark::State& state) {
  const QByteArray png = largeQrPng();
  const std::string qrCode = "data:image/png;base64," + png.toBase64().toStdString();
  const auto component = [&] { return !tarvel::detail::decodeQrCode(qrCode).image.isNull(); };
  const auto bare = [&] {
    QImage image;
    return image.loadFromData(png, "PNG") && !image.isNull();
  };
  tarvel::bench::sideBySide(state, component, bare, "component_us", "bare_us",
                            "the QR code did not decode");
  state.counters["png_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_QrDecodeVersusBareImageLoad)
    ->Iterations(tarvel::bench::iterationsOr(60))
    ->UseRealTime();

}  // namespace
