// The web checkout tests' process, shared by the entry object's web test: Qt WebEngine's
// context sharing, and the loopback servers that host the checkout page and a page of another
// origin, started before anything reads the configuration so that the staging page base points
// at the first.
#include <cstdlib>  // setenv, abort
#include <memory>   // shared_ptr

#include <QCoreApplication>

#include "QtTestMain.h"
#include "WebCheckoutTestPage.h"

namespace tarvel::test {

LoopbackServer& checkoutPageServer() {
  static LoopbackServer server;
  return server;
}

LoopbackServer& foreignPageServer() {
  static LoopbackServer server;
  return server;
}

std::shared_ptr<void> prepareTestProcess() {
  for (LoopbackServer* server : {&checkoutPageServer(), &foreignPageServer()}) {
    serveCheckoutPages(*server);
    if (!server->start()) std::abort();
  }
  setenv("TARVEL_STAGING_WEB_URL", checkoutPageServer().baseUrl().c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Stopped once the tests have run and the application is gone.
  return std::shared_ptr<void>(&checkoutPageServer(), [](void*) {
    checkoutPageServer().stop();
    foreignPageServer().stop();
  });
}

}  // namespace tarvel::test
