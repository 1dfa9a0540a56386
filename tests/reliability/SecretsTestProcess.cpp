// The secrets test's process: one sandbox platform over HTTPS, started before anything reads
// the component's configuration, with the staging API, analytics and page hosts and the trusted
// CA pointed at it, and Qt WebEngine's context sharing. Reachability is pinned to online.
#include <cstdio>   // fprintf
#include <cstdlib>  // setenv, abort
#include <memory>   // make_shared, shared_ptr

#include <QCoreApplication>

#include "QtTestMain.h"
#include "SandboxServer.h"
#include "SecretsSandbox.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {

namespace {
sandbox::SandboxServer* running = nullptr;  // owned by main() through prepareTestProcess
}  // namespace

sandbox::SandboxServer& secretsSandbox() { return *running; }

std::shared_ptr<void> prepareTestProcess() {
  sandbox::SandboxOptions options;
  options.https = true;
  auto server = std::make_shared<sandbox::SandboxServer>(options);
  if (!server->start()) {
    std::fprintf(stderr, "sandbox did not start: %s\n", server->error().c_str());
    std::abort();
  }
  setenv("TARVEL_STAGING_API_URL", server->apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", server->analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_WEB_URL", server->webBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", server->caFile().c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  running = server.get();
  return server;
}

}  // namespace tarvel::test
