// APIService round trips against a loopback server: the cost the component adds per call
// (request building, the loader thread hand-off, parsing, logging) over a kept-alive connection.
#include <benchmark/benchmark.h>

#include <memory>  // make_shared

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"

namespace {

class LoopbackService : public tarvel::APIService {
 public:
  LoopbackService(std::shared_ptr<tarvel::detail::UrlLoader> loader, std::string base)
      : APIService(std::move(loader)), base_(std::move(base)) {}
  std::string baseUrl() const override { return base_; }
  std::string appAnalyticsBaseUrl() const override { return base_; }

 private:
  std::string base_;
};

void BM_APIServiceRoundTrip(benchmark::State& state) {
  tarvel::test::LoopbackServer server;
  server.answerJson("POST", ".*", 200, R"({"data": {"payment_status": "PAID"}})");
  if (!server.start()) {
    state.SkipWithError("loopback server did not start");
    return;
  }
  tarvel::test::LogCapture quiet;  // keeps the response lines off the console
  {
    LoopbackService service(std::make_shared<tarvel::detail::UrlLoader>(), server.baseUrl());
    const tarvel::Dictionary params = {{"tarvel_oid", "T-1"}, {"auth_token", "token"}};
    const auto inFlight = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
      tarvel::test::CompletionRecorder recorder;
      for (std::size_t i = 0; i < inFlight; ++i) {
        service.checkPaymentStatus(params, recorder.completion());
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

}  // namespace
