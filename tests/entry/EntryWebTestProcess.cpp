// The web entry test's process: Qt WebEngine's context sharing, and a loopback server whose
// hosted checkout page posts "onSuccess" as soon as it has loaded, with the staging page base
// pointed at it before anything reads the configuration.
#include <cstdlib>  // setenv, abort
#include <memory>   // make_shared, shared_ptr

#include <QCoreApplication>

#include "LoopbackServer.h"
#include "QtTestMain.h"

namespace tarvel::test {

namespace {

constexpr const char* kPostingPage = R"(<!DOCTYPE html><html><body><script>
  function post() {
    const handlers = window.webkit && window.webkit.messageHandlers;
    if (!(handlers && handlers.onSuccess)) return setTimeout(post, 50);
    const query = new URLSearchParams(location.search);
    handlers.onSuccess.postMessage(
        {status: "PAID", moid: query.get("moid"), tarvel_oid: query.get("tarvel_oid")});
  }
  post();
</script></body></html>)";

}  // namespace

std::shared_ptr<void> prepareTestProcess() {
  auto server = std::make_shared<LoopbackServer>();
  server->route("GET", "/custom.html", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(kPostingPage, "text/html; charset=utf-8");
  });
  if (!server->start()) std::abort();
  setenv("TARVEL_STAGING_WEB_URL", server->baseUrl().c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  return server;
}

}  // namespace tarvel::test
