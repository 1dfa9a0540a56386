// The fault-injection tests' process: Qt WebEngine's context sharing, the reachability answer
// pinned to online (the faults come from the platform, not from the machine's routes), and the
// staging checkout page base pointed at a loopback relay to the platform of the flow under test.
#include "FaultTestProcess.h"

#include <cstdlib>  // setenv, abort
#include <memory>   // shared_ptr
#include <string>   // string, stoi

#include <QCoreApplication>

#include "PageRelay.h"
#include "QtTestMain.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {

namespace {

// The process's one relay, made before any test runs and never destroyed: its threads run until
// the process exits.
PageRelay* relay = nullptr;

}  // namespace

void setCheckoutPageTarget(const std::string& baseUrl) {
  // "<scheme>://127.0.0.1:<port>/"
  relay->setTargetPort(std::stoi(baseUrl.substr(baseUrl.rfind(':') + 1)));
}

std::shared_ptr<void> prepareTestProcess() {
  // A run inside a fresh network namespace (NoNetworkTests) keeps the machine's own answers.
  if (std::getenv("TARVEL_NO_NETWORK_CHILD") != nullptr) return nullptr;
  relay = new PageRelay;
  if (relay->port() == 0) std::abort();
  setenv("TARVEL_STAGING_WEB_URL",
         ("http://127.0.0.1:" + std::to_string(relay->port()) + "/").c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  return nullptr;
}

}  // namespace tarvel::test
