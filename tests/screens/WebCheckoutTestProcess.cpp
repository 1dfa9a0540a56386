// The web checkout tests' process: Qt WebEngine's context sharing, and the loopback server that
// hosts the checkout page, started before anything reads the configuration so that the
// staging page base points at it.
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

std::shared_ptr<void> prepareTestProcess() {
  LoopbackServer& server = checkoutPageServer();
  server.route("GET", "/custom.html", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(kCheckoutTestPage, "text/html; charset=utf-8");
  });
  if (!server.start()) std::abort();
  setenv("TARVEL_STAGING_WEB_URL", server.baseUrl().c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Stopped once the tests have run and the application is gone.
  return std::shared_ptr<void>(&server, [](void*) { checkoutPageServer().stop(); });
}

}  // namespace tarvel::test
