// GoogleTest over a QApplication with Qt WebEngine, and the loopback server that hosts the
// checkout page. The server starts first so that the staging page base points at it before
// anything reads the configuration.
#include <gtest/gtest.h>

#include <unistd.h>      // geteuid
#include <QApplication>  // QApplication
#include <cstdio>        // fprintf
#include <cstdlib>       // setenv

#include "WebCheckoutTestPage.h"

namespace tarvel::test {

LoopbackServer& checkoutPageServer() {
  static LoopbackServer server;
  return server;
}

}  // namespace tarvel::test

int main(int argc, char** argv) {
  auto& server = tarvel::test::checkoutPageServer();
  server.route("GET", "/custom.html", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(tarvel::test::kCheckoutTestPage, "text/html; charset=utf-8");
  });
  if (!server.start()) {
    std::fprintf(stderr, "the checkout page server could not start\n");
    return 1;
  }
  setenv("TARVEL_STAGING_WEB_URL", server.baseUrl().c_str(), 1);

  // Test discovery runs the executable without the test's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  server.stop();
  return result;
}
