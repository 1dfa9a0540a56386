#pragma once

#include <string>  // string

#include <QFile>  // QFile

#include "LoopbackServer.h"  // from the test support library

namespace tarvel::test {

/// The server hosting the test page for the web checkout tests, and a second one on another
/// port: another origin. Both are started by the test process and serve `serveCheckoutPages`.
LoopbackServer& checkoutPageServer();
LoopbackServer& foreignPageServer();

/// The one test page, "custom.html", in the hosted checkout page's place; its request_id says
/// what it does. "echo" posts onSuccess with "PAID" and the moid and tarvel_oid it read from
/// its address; "failure" posts onFailure with a secret in the body; "text-body" posts a text;
/// "twice" posts onFailure, then at once onSuccess. "claim" is a hostile page: it claims the
/// order paid through the page's handlers or, without them, through the channel's transport with
/// the channel's own library, and with neither in sight reports "no-bridge". "go:<url>"
/// navigates there, "link:<url>" fills the page with one link there and reports "ready" once
/// drawn, "frame:<url>" fills it with a frame of <url>, "open:<url>" opens a window there.
/// Anything else posts nothing.
inline constexpr const char* kCheckoutTestPage = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"><style>
  .whole { position: fixed; left: 0; top: 0; width: 100%; height: 100%; border: 0; }
</style></head>
<body><script>
  var query = new URLSearchParams(location.search);
  var handlers = window.webkit && window.webkit.messageHandlers;
  var scenario = query.get('request_id') || '';
  var target = scenario.slice(scenario.indexOf(':') + 1);
  function whole(tag, attribute) {
    var element = document.createElement(tag);
    element.className = 'whole';
    element[attribute] = target;
    element.textContent = 'Continue';
    document.body.appendChild(element);
  }
  function claim(attempt) {
    var body = {status: 'PAID', from: location.origin};
    handlers = window.webkit && window.webkit.messageHandlers;
    if (handlers && handlers.onSuccess) return handlers.onSuccess.postMessage(body);
    if (typeof qt === 'undefined' || !qt.webChannelTransport) {
      if (attempt < 100) return setTimeout(function () { claim(attempt + 1); }, 10);
      return fetch('/report?what=no-bridge');
    }
    var library = document.createElement('script');
    library.src = '/qwebchannel.js';
    library.onload = function () {
      new QWebChannel(qt.webChannelTransport, function (channel) {
        channel.objects.tarvelScriptMessages.postMessage('onSuccess', JSON.stringify(body));
      });
    };
    document.head.appendChild(library);
  }
  switch (scenario.indexOf(':') > 0 ? scenario.slice(0, scenario.indexOf(':')) : scenario) {
    case 'echo':
      handlers.onSuccess.postMessage(
          {status: 'PAID', moid: query.get('moid'), tarvel_oid: query.get('tarvel_oid')});
      break;
    case 'failure':
      handlers.onFailure.postMessage({status: 'failed', reason: 'declined', auth_token: 'tok-secret-123'});
      break;
    case 'text-body': handlers.onSuccess.postMessage('done'); break;
    case 'twice':
      handlers.onFailure.postMessage({first: true});
      handlers.onSuccess.postMessage({second: true});
      break;
    case 'claim': claim(0); break;
    case 'go': location.href = target; break;
    case 'link':
      whole('a', 'href');
      requestAnimationFrame(function () {
        requestAnimationFrame(function () { fetch('/report?what=ready'); });
      });
      break;
    case 'frame': whole('iframe', 'src'); break;
    case 'open': window.open(target); break;
  }
</script></body></html>
)HTML";

/// The routes of both servers: "custom.html", "bounce?to=<url>" (a redirect),
/// "download" (an attachment), "qwebchannel.js" and "report?what=<what>" (answers nothing).
inline void serveCheckoutPages(LoopbackServer& server) {
  server
      .route("GET", "/custom.html",
             [](const httplib::Request&, httplib::Response& response) {
               response.set_content(kCheckoutTestPage, "text/html; charset=utf-8");
             })
      .route("GET", "/bounce",
             [](const httplib::Request& request, httplib::Response& response) {
               response.set_redirect(request.get_param_value("to"), 302);
             })
      .route("GET", "/download",
             [](const httplib::Request&, httplib::Response& response) {
               response.set_header("Content-Disposition", "attachment; filename=receipt.txt");
               response.set_content("receipt", "application/octet-stream");
             })
      .route("GET", "/qwebchannel.js",
             [](const httplib::Request&, httplib::Response& response) {
               QFile library(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
               library.open(QIODevice::ReadOnly);
               response.set_content(library.readAll().toStdString(), "text/javascript");
             })
      .route("GET", "/report",
             [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
}

/// How many times pages of `server` reported `what`.
inline std::size_t reportCount(const LoopbackServer& server, const std::string& what) {
  std::size_t count = 0;
  for (const RecordedRequest& request : server.requests()) {
    auto it = request.params.find("what");
    if (request.path == "/report" && it != request.params.end() && it->second == what) ++count;
  }
  return count;
}

}  // namespace tarvel::test
