#pragma once

#include <QList>            // QList
#include <QSslCertificate>  // QSslCertificate
#include <QString>          // QString
#include <QUrl>             // QUrl

#include "ModuleTestApi.h"

namespace tarvel::detail {

/// The extra certificate authorities named by TARVEL_CA_FILE (the local sandbox's own CA),
/// for the web view: Chromium verifies against the system's store only, so a page served with
/// a certificate of such a CA arrives as a certificate error, which this class judges.
/// Verification is OpenSSL's, with the chain and host name checked as for any server; nothing
/// is trusted process-wide.
class TARVEL_MODULE_TEST_API ExtraCertificateTrust {
 public:
  /// The process's trust, read from TARVEL_CA_FILE once.
  static const ExtraCertificateTrust& fromEnvironment();

  /// Trust in the CAs of the PEM file `caFile`; none when empty or unreadable.
  explicit ExtraCertificateTrust(const QString& caFile);

  /// True when `chain` (leaf first) verifies up to one of the extra CAs and the leaf is valid
  /// for `host` (a name or an IP address).
  bool trusts(const QList<QSslCertificate>& chain, const QString& host) const;

  /// True when the extra CAs may vouch for the page at `page` at all (a staging page, never a
  /// production one: `extraCaAppliesTo`) and `chain` verifies for its host.
  bool trustsPage(const QUrl& page, const QList<QSslCertificate>& chain) const;

 private:
  QString caFile_;
};

}  // namespace tarvel::detail
