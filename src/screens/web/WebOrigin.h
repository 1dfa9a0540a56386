#pragma once

#include <QString>  // QString
#include <QUrl>     // QUrl

namespace tarvel::detail {

/// The origin of a web address as browsers compare them: scheme, host and port, the port
/// filled in for http (80) and https (443). Anything that is not http or https has no origin
/// (`isNull()`), and a null origin equals nothing, not even another null one.
class WebOrigin {
 public:
  WebOrigin() = default;
  static WebOrigin of(const QUrl& url);

  bool isNull() const { return scheme_.isEmpty(); }
  /// "https://host" or "http://host:port", as the page's script sees `location.origin`;
  /// "null" for a null origin.
  QString toString() const;

  friend bool operator==(const WebOrigin& a, const WebOrigin& b) {
    return !a.isNull() && a.scheme_ == b.scheme_ && a.host_ == b.host_ && a.port_ == b.port_;
  }
  friend bool operator!=(const WebOrigin& a, const WebOrigin& b) { return !(a == b); }

 private:
  QString scheme_;
  QString host_;  // in its encoded (ASCII) form, lower case
  int port_ = -1;
};

}  // namespace tarvel::detail
