// The fault-injection tests' process: Qt WebEngine's context sharing, the reachability answer
// pinned to online (the faults come from the platform, not from the machine's routes), and the
// staging checkout page base pointed at a loopback front that sends the page request on to the
// platform of the flow under test.
#include "FaultTestProcess.h"

#include <cstdlib>  // setenv, abort
#include <memory>   // make_shared, shared_ptr
#include <mutex>    // mutex, lock_guard
#include <string>   // string

#include <QCoreApplication>

#include "LoopbackServer.h"
#include "QtTestMain.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {

namespace {

std::mutex targetMutex;
std::string pageTarget;  // base URL of the platform the page request goes on to

}  // namespace

void setCheckoutPageTarget(const std::string& baseUrl) {
  std::lock_guard<std::mutex> lock(targetMutex);
  pageTarget = baseUrl;
}

std::shared_ptr<void> prepareTestProcess() {
  // A run inside a fresh network namespace (NoNetworkTests) keeps the machine's own answers.
  if (std::getenv("TARVEL_NO_NETWORK_CHILD") != nullptr) return nullptr;
  auto front = std::make_shared<LoopbackServer>();
  front->route("GET", "/custom.html", [](const httplib::Request& request, httplib::Response& out) {
    std::string target;
    {
      std::lock_guard<std::mutex> lock(targetMutex);
      target = pageTarget;
    }
    const auto query = request.target.find('?');
    out.status = 307;
    out.set_header(
        "Location",
        target + "custom.html" + (query == std::string::npos ? "" : request.target.substr(query)));
  });
  if (!front->start()) std::abort();
  setenv("TARVEL_STAGING_WEB_URL", front->baseUrl().c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  return front;
}

}  // namespace tarvel::test
