#pragma once

#include <QString>         // QString
#include <QUrl>            // QUrl
#include <QWebEnginePage>  // QWebEnginePage

#include "WebOrigin.h"

class QWebEngineProfile;

namespace tarvel::detail {

/// The web checkout's page, fenced in. The hosted page may go anywhere on the web (a bank's
/// verification page on another origin included) but it opens no popups and downloads nothing,
/// and a link to anything other than http or https is never loaded in the view: it is handed to
/// the application for its scheme (a UPI app) only when the checkout page's own top-level
/// document asked for it and the scheme is an app key. (The engine passes such a link on only
/// when the shopper tapped it.) Every refusal is logged.
class CheckoutWebPage : public QWebEnginePage {
  Q_OBJECT

 public:
  /// A page for the checkout at `checkoutAddress`, whose origin is the only one the page's
  /// messages and app links are taken from. Downloads of every checkout page of `profile` are
  /// refused from now on.
  CheckoutWebPage(QWebEngineProfile* profile, const QUrl& checkoutAddress, QObject* parent);

  const WebOrigin& checkoutOrigin() const { return checkoutOrigin_; }
  /// The origin of the top-level document the page shows now.
  WebOrigin currentOrigin() const { return WebOrigin::of(url()); }

  /// True for "phonepe", "gpay", "upi": lower-case letters and digits, 1 to 32 of them.
  static bool isAppKey(const QString& scheme);

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  /// Why the non-web `url` from `source` opens no app, or nullptr when it may.
  const char* whyNoApp(const QUrl& url, const WebOrigin& source, bool isMainFrame) const;
  static void refuseDownloads(QWebEngineProfile* profile);

  WebOrigin checkoutOrigin_;
  QUrl lastTopLevelRequest_;  // its server may redirect the top-level document anywhere
};

}  // namespace tarvel::detail
