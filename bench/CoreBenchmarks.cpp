// Parsing and log formatting that runs for every answer, up to the largest one accepted.
#include <string>  // string

#include <benchmark/benchmark.h>

#include "network/AnswerParsing.h"
#include "network/LogRedaction.h"
#include "network/UrlLoader.h"

namespace {

tarvel::Dictionary sampleAnswer(int apps) {
  tarvel::Dictionary uapp = tarvel::Dictionary::array();
  for (int i = 0; i < apps; ++i) {
    uapp.push_back({{"key", "app" + std::to_string(i)}, {"name", "App " + std::to_string(i)}});
  }
  return {{"status", true},
          {"auth_token", "secret"},
          {"data",
           {{"amount", "499.00"},
            {"u_link", "upi://pay?pa=merchant@bank&pn=Shop&am=499.00&tr=T123"},
            {"uapp", uapp}}}};
}

void BM_ParseAnswer(benchmark::State& state) {
  const std::string body = sampleAnswer(static_cast<int>(state.range(0))).dump();
  for (auto _ : state) benchmark::DoNotOptimize(tarvel::detail::parseAnswer(body));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_ParseAnswer)->Arg(4)->Arg(1000);

// The worst an answer can cost now: just under the 1 MiB cap, made of the smallest objects.
void BM_ParseAnswerAtTheSizeCap(benchmark::State& state) {
  std::string items;
  while (items.size() < tarvel::detail::UrlLoader::kDefaultMaxResponseBytes - 64) items += "{},";
  const std::string body = "{\"data\": {\"items\": [" + items + "{}]}}";
  for (auto _ : state) benchmark::DoNotOptimize(tarvel::detail::parseAnswer(body));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_ParseAnswerAtTheSizeCap)->Unit(benchmark::kMillisecond);

void BM_DescribeForLog(benchmark::State& state) {
  const tarvel::Dictionary answer = sampleAnswer(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(tarvel::detail::describeForLog(answer));
}
BENCHMARK(BM_DescribeForLog)->Arg(4)->Arg(1000)->Arg(100000);

}  // namespace
