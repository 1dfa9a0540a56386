// The entry tests' process: a loopback server for the RTO tracking request, with the staging
// API pointed at it before anything reads the configuration.
#include <cstdlib>  // setenv, abort
#include <memory>   // make_shared, shared_ptr
#include <string>   // string

#include "EntryTestFixture.h"
#include "LoopbackServer.h"
#include "QtTestMain.h"

namespace tarvel::test {

namespace {
LoopbackServer* server = nullptr;  // owned by main() through what prepareTestProcess returns
}  // namespace

LoopbackServer& rtoServer() { return *server; }

std::shared_ptr<void> prepareTestProcess() {
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
