#include <QSslCertificate>

#include <gtest/gtest.h>

#include "TestCertificateAuthority.h"
#include "screens/web/ExtraCertificateTrust.h"
#include "tarvel/Config.h"

namespace tarvel {
namespace {

QList<QSslCertificate> serverChain(const test::TestCertificateAuthority& authority) {
  return QSslCertificate::fromPath(QString::fromStdString(authority.serverTls().certificateFile));
}
detail::ExtraCertificateTrust trustIn(const test::TestCertificateAuthority& authority) {
  return detail::ExtraCertificateTrust(QString::fromStdString(authority.caFile()));
}

// The extra authority vouches only for the names its server certificate carries; another
// authority, no file or an empty chain vouch for nothing.
TEST(ExtraCertificateTrustTests, TrustsTheExtraAuthorityOnlyForTheNamesItsCertificateCarries) {
  test::TestCertificateAuthority authority, stranger;
  ASSERT_TRUE(authority.isValid() && stranger.isValid());
  const auto chain = serverChain(authority);
  ASSERT_FALSE(chain.isEmpty());
  EXPECT_TRUE(trustIn(authority).trusts(chain, "127.0.0.1"));
  EXPECT_TRUE(trustIn(authority).trusts(chain, "localhost"));
  EXPECT_FALSE(trustIn(authority).trusts(chain, "checkout.tarvel.in")) << "host name must match";
  EXPECT_FALSE(trustIn(authority).trusts(chain, "127.0.0.2")) << "address must match";
  EXPECT_FALSE(trustIn(stranger).trusts(chain, "127.0.0.1"));
  EXPECT_FALSE(detail::ExtraCertificateTrust(QString()).trusts(chain, "127.0.0.1"));
  EXPECT_FALSE(detail::ExtraCertificateTrust("/nonexistent/ca.pem").trusts(chain, "127.0.0.1"));
  EXPECT_FALSE(trustIn(authority).trusts({}, "127.0.0.1"));
}

// The extra CA is the sandbox's: it may vouch for a staging page, never for a production one,
// even with a certificate that names the production host.
TEST(ExtraCertificateTrustTests, VouchesForStagingPagesOnlyNeverForProduction) {
  const QUrl production(QString::fromStdString(Config::webCheckoutBaseURL() + "custom.html"));
  const QUrl staging(QString::fromStdString(Config::devBaseURL() + "custom.html"));
  test::TestCertificateAuthority authority(
      {production.host().toStdString(), staging.host().toStdString()});
  ASSERT_TRUE(authority.isValid());
  const auto chain = serverChain(authority);
  ASSERT_TRUE(trustIn(authority).trusts(chain, production.host()));
  EXPECT_TRUE(trustIn(authority).trustsPage(staging, chain));
  EXPECT_FALSE(trustIn(authority).trustsPage(production, chain));
}

}  // namespace
}  // namespace tarvel
