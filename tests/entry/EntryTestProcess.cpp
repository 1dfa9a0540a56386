// The entry tests' process: a loopback server for the RTO tracking request, with the staging
// API pointed at it before anything reads the configuration. Started with kGuiHostVariable set,
// it is a QML shop's process instead (a QGuiApplication, no QApplication).
#include <cstdio>   // printf
#include <cstdlib>  // setenv, getenv, abort, exit

#include <QGuiApplication>

#include "EntryTestFixture.h"
#include "LoopbackServer.h"
#include "QtTestMain.h"

namespace tarvel::test {
namespace {

LoopbackServer* server = nullptr;  // owned by main() through what prepareTestProcess returns

// Opens an order with a screen and the RTO order, and prints the outcomes, one line each.
int runGuiApplicationHost() {
  int argc = 1;
  char name[] = "gui-host";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  auto host = std::make_shared<RecordingHost>();
  TarvelCheckout checkout(false, host);
  checkout.openCart({{"order_type", "upi"}, {"moid", "G-1"}});
  checkout.openCart({{"order_type", "non-vx"}, {"moid", "G-4"}, {"request_id", "R-4"}});
  processEventsUntil([&] { return host->outcomes().size() >= 2; });
  settle();
  for (const auto& outcome : host->outcomes()) {
    std::printf("outcome %d %s\n", outcome.status ? 1 : 0, outcome.data.dump().c_str());
  }
  return 0;
}

}  // namespace

LoopbackServer& rtoServer() { return *server; }

std::shared_ptr<void> prepareTestProcess() {
  if (std::getenv(kGuiHostVariable)) std::exit(runGuiApplicationHost());
  auto owned = std::make_shared<LoopbackServer>();
  owned->route(
      "GET", "/v2/rto/track", [](const httplib::Request& request, httplib::Response& response) {
        const std::string moid = request.get_param_value("moid");
        if (moid == "fail") return response.set_content("<html>gateway error</html>", "text/html");
        Dictionary answer = {{"data", {{"tracked", true}, {"moid", moid}}}, {"message", "tracked"}};
        response.set_content(answer.dump(), "application/json");
      });
  if (!owned->start()) std::abort();
  setenv("TARVEL_STAGING_API_URL", owned->baseUrl().c_str(), 1);
  server = owned.get();
  return owned;
}

}  // namespace tarvel::test
