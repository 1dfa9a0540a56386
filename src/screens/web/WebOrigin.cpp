#include "WebOrigin.h"

namespace tarvel::detail {
namespace {

int defaultPort(const QString& scheme) { return scheme == QLatin1String("https") ? 443 : 80; }

}  // namespace

WebOrigin WebOrigin::of(const QUrl& url) {
  WebOrigin origin;
  const QString scheme = url.scheme();
  if (!url.isValid() || url.host().isEmpty() ||
      (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
    return origin;
  }
  origin.scheme_ = scheme;
  origin.host_ = url.host(QUrl::FullyEncoded).toLower();
  origin.port_ = url.port(defaultPort(scheme));
  return origin;
}

QString WebOrigin::toString() const {
  if (isNull()) return QStringLiteral("null");
  QUrl url;
  url.setScheme(scheme_);
  url.setHost(host_);
  if (port_ != defaultPort(scheme_)) url.setPort(port_);
  return url.toString(QUrl::FullyEncoded);
}

}  // namespace tarvel::detail
