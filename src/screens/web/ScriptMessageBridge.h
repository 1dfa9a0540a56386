#pragma once

#include <QObject>           // QObject
#include <QPointer>          // QPointer
#include <QString>           // QString
#include <QStringList>       // QStringList
#include <QWebEngineScript>  // QWebEngineScript

namespace tarvel::detail {

class CheckoutWebPage;

/// The native end of the page's script messages. A page posts a message with
/// `window.webkit.messageHandlers.<name>.postMessage(body)`; the injected script (`userScript`)
/// turns that into a call of `postMessage(name, JSON text of body)` over a QWebChannel, and the
/// bridge emits `received` for each registered name. Only the checkout page's own top-level
/// document counts: the script installs nowhere else, and a message that arrives while `page`
/// shows a document of another origin is logged and dropped. Lives on the GUI thread.
class ScriptMessageBridge : public QObject {
  Q_OBJECT

 public:
  /// The object name the page's script looks the bridge up by.
  static constexpr const char* kChannelObjectName = "tarvelScriptMessages";

  ScriptMessageBridge(QStringList names, const CheckoutWebPage* page, QObject* parent = nullptr);

  /// The script that defines `window.webkit.messageHandlers.<name>` for every registered name.
  /// It runs in the page's main world when the document is created, before the page's own
  /// scripts, and queues messages posted before the channel is connected.
  QWebEngineScript userScript() const;

  /// Called by the page. A body that JSON cannot express arrives as "null".
  Q_INVOKABLE void postMessage(const QString& name, const QString& bodyJson);

 signals:
  void received(const QString& name, const QString& bodyJson);

 private:
  QStringList names_;
  QPointer<const CheckoutWebPage> page_;
};

}  // namespace tarvel::detail
