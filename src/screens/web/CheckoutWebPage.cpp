#include "CheckoutWebPage.h"

#include <string>  // string

#include <QRegularExpression>         // QRegularExpression
#include <QSet>                       // QSet
#include <QWebEngineDownloadRequest>  // QWebEngineDownloadRequest
#include <QWebEngineProfile>          // QWebEngineProfile

#include "network/LogRedaction.h"
#include "platform/ModuleApi.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

// Schemes that name no payment app, though they look like a key: the engine's own, and
// Android's way of starting any app at all.
const QSet<QString> kNeverApps = {
    QStringLiteral("about"), QStringLiteral("blob"),   QStringLiteral("chrome"),
    QStringLiteral("data"),  QStringLiteral("file"),   QStringLiteral("filesystem"),
    QStringLiteral("ftp"),   QStringLiteral("intent"), QStringLiteral("javascript"),
    QStringLiteral("ws"),    QStringLiteral("wss"),    QStringLiteral("qrc")};

constexpr char kRefusesDownloads[] = "tarvelRefusesCheckoutDownloads";

bool isWeb(const QUrl& url) {
  return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

std::string schemeForLog(const QUrl& url) {
  return shortenedForLog(url.scheme().toStdString(), 64);
}

}  // namespace

CheckoutWebPage::CheckoutWebPage(QWebEngineProfile* profile, const QUrl& checkoutAddress,
                                 QObject* parent)
    : QWebEnginePage(profile, parent), checkoutOrigin_(WebOrigin::of(checkoutAddress)) {
  refuseDownloads(profile);
}

bool CheckoutWebPage::isAppKey(const QString& scheme) {
  static const QRegularExpression kKey(QStringLiteral("^[a-z0-9]{1,32}$"));
  return kKey.match(scheme).hasMatch();
}

bool CheckoutWebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
  if (isWeb(url)) {
    if (isMainFrame) lastTopLevelRequest_ = url;
    return true;
  }
  // The link may come from the document shown or, as a redirect, from the server of the last
  // top-level request (the engine does not always say which): both must be the checkout's.
  const WebOrigin requested = WebOrigin::of(lastTopLevelRequest_);
  const WebOrigin source = requested != checkoutOrigin_ ? requested : currentOrigin();
  if (const char* refusal = whyNoApp(url, source, isMainFrame)) {
    log(LogLevel::warning, "Web checkout: refused to open a \"" + schemeForLog(url) +
                               ":\" link from " + source.toString().toStdString() + ": " + refusal);
    return false;
  }
  const std::string scheme = url.scheme().toStdString();
  log("Web checkout: the checkout page hands its \"" + scheme + ":\" link to the app");
  module_api::openUrl(url.toString(QUrl::FullyEncoded).toStdString(), [scheme](bool launched) {
    if (launched) return;
    log(LogLevel::warning, "Web checkout: no application opened the \"" + scheme + ":\" link");
  });
  return false;  // the view stays on the checkout page
}

const char* CheckoutWebPage::whyNoApp(const QUrl& url, const WebOrigin& source,
                                      bool isMainFrame) const {
  if (!isMainFrame) return "links in frames open no apps";
  if (source != checkoutOrigin_) return "only the checkout page's own origin opens apps";
  if (!isAppKey(url.scheme()) || kNeverApps.contains(url.scheme())) {
    return "not the scheme of a payment app";
  }
  return nullptr;
}

QWebEnginePage* CheckoutWebPage::createWindow(WebWindowType) {
  log(LogLevel::warning, "Web checkout: the page at " + currentOrigin().toString().toStdString() +
                             " asked for a new window; none opens");
  return nullptr;
}

// The profile may be shared with the host's own pages (the default profile is): only the
// checkout's pages lose their downloads, whatever the host's own handler decided before.
void CheckoutWebPage::refuseDownloads(QWebEngineProfile* profile) {
  if (profile->property(kRefusesDownloads).toBool()) return;
  profile->setProperty(kRefusesDownloads, true);
  QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                   [](QWebEngineDownloadRequest* download) {
                     auto* page = qobject_cast<CheckoutWebPage*>(download->page());
                     if (page == nullptr) return;
                     log(LogLevel::warning, "Web checkout: download from " +
                                                page->currentOrigin().toString().toStdString() +
                                                " refused");
                     download->cancel();
                   });
}

}  // namespace tarvel::detail
