#include "ScriptMessageBridge.h"

#include <utility>  // move

#include <QFile>          // QFile
#include <QJsonArray>     // QJsonArray
#include <QJsonDocument>  // QJsonDocument

#include "CheckoutWebPage.h"
#include "network/LogRedaction.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

// Opens the function the whole script runs in: only the checkout page's own top-level
// document gets the channel's library and the handlers; every other document gets nothing.
constexpr char kOnlyOnTheCheckoutPage[] = R"JS((function () {
if (window.top !== window || location.origin !== %1) { return; }
)JS";

// Defines the handlers and connects them to the native bridge once the channel is up. The
// transport object may appear a moment after the document, so the connection is retried.
constexpr char kHandlersScript[] = R"JS(
(function () {
  'use strict';
  var names = %1;
  var pending = [];
  var bridge = null;

  function send(name, text) {
    if (bridge) { bridge.postMessage(name, text); } else { pending.push([name, text]); }
  }

  function asJson(body) {
    try {
      var text = JSON.stringify(body);
      return text === undefined ? 'null' : text;
    } catch (e) {
      return 'null';
    }
  }

  window.webkit = window.webkit || {};
  window.webkit.messageHandlers = window.webkit.messageHandlers || {};
  names.forEach(function (name) {
    window.webkit.messageHandlers[name] = {
      postMessage: function (body) { send(name, asJson(body)); }
    };
  });

  function connect(attempt) {
    if (typeof qt === 'undefined' || !qt.webChannelTransport) {
      if (attempt < 200) { setTimeout(function () { connect(attempt + 1); }, 10); }
      return;
    }
    new QWebChannel(qt.webChannelTransport, function (channel) {
      bridge = channel.objects['%2'];
      pending.splice(0).forEach(function (message) { bridge.postMessage(message[0], message[1]); });
    });
  }
  connect(0);
})();
})();
)JS";

QString webChannelLibrary() {
  QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
  if (!file.open(QIODevice::ReadOnly)) {
    log(LogLevel::warning,
        "Web checkout: qwebchannel.js is missing; the page cannot post messages");
    return {};
  }
  return QString::fromUtf8(file.readAll());
}

}  // namespace

ScriptMessageBridge::ScriptMessageBridge(QStringList names, const CheckoutWebPage* page,
                                         QObject* parent)
    : QObject(parent), names_(std::move(names)), page_(page) {}

QWebEngineScript ScriptMessageBridge::userScript() const {
  const QString namesJson = QString::fromUtf8(
      QJsonDocument(QJsonArray::fromStringList(names_)).toJson(QJsonDocument::Compact));
  // A JSON array of the one origin, its brackets cut off: the origin as a script string.
  const QString originArray = QString::fromUtf8(
      QJsonDocument(QJsonArray{page_ ? page_->checkoutOrigin().toString() : QString()})
          .toJson(QJsonDocument::Compact));
  QWebEngineScript script;
  script.setName(QStringLiteral("tarvel-message-handlers"));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(false);
  script.setSourceCode(
      QString::fromLatin1(kOnlyOnTheCheckoutPage).arg(originArray.mid(1, originArray.size() - 2)) +
      webChannelLibrary() +
      QString::fromLatin1(kHandlersScript).arg(namesJson, QLatin1String(kChannelObjectName)));
  return script;
}

// The channel's transport is there for every top-level document the page shows, and a page
// of another origin can drive it without the injected script: the origin is checked here.
void ScriptMessageBridge::postMessage(const QString& name, const QString& bodyJson) {
  if (!page_) return;
  const WebOrigin origin = page_->currentOrigin();
  if (origin != page_->checkoutOrigin()) {
    log(LogLevel::warning,
        "Web checkout: message \"" + shortenedForLog(name.toStdString(), 64) + "\" from " +
            origin.toString().toStdString() + " dropped: only the checkout page's origin (" +
            page_->checkoutOrigin().toString().toStdString() + ") ends the checkout");
    return;
  }
  if (!names_.contains(name)) {
    log(LogLevel::warning,
        ("Web checkout: message under unregistered name \"" + name + "\" dropped").toStdString());
    return;
  }
  emit received(name, bodyJson);
}

}  // namespace tarvel::detail
