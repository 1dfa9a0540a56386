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

TEST(ExtraCertificateTrustTests, TrustsTheExtraAuthorityForTheNamesItsCertificateCarries) {
  test::TestCertificateAuthority authority;
  ASSERT_TRUE(authority.isValid());
  const detail::ExtraCertificateTrust trust(QString::fromStdString(authority.caFile()));
  const auto chain = serverChain(authority);
  ASSERT_FALSE(chain.isEmpty());

  EXPECT_TRUE(trust.trusts(chain, "127.0.0.1"));
  EXPECT_TRUE(trust.trusts(chain, "localhost"));
  EXPECT_FALSE(trust.trusts(chain, "checkout.tarvel.in")) << "host name must match";
  EXPECT_FALSE(trust.trusts(chain, "127.0.0.2")) << "address must match";
}

TEST(ExtraCertificateTrustTests, RefusesAnotherAuthorityNoFileAndAnEmptyChain) {
  test::TestCertificateAuthority authority;
  test::TestCertificateAuthority stranger;
  ASSERT_TRUE(authority.isValid() && stranger.isValid());
  const auto chain = serverChain(authority);

  EXPECT_FALSE(detail::ExtraCertificateTrust(QString::fromStdString(stranger.caFile()))
                   .trusts(chain, "127.0.0.1"));
  EXPECT_FALSE(detail::ExtraCertificateTrust(QString()).trusts(chain, "127.0.0.1"));
  EXPECT_FALSE(detail::ExtraCertificateTrust("/nonexistent/ca.pem").trusts(chain, "127.0.0.1"));
  EXPECT_FALSE(detail::ExtraCertificateTrust(QString::fromStdString(authority.caFile()))
                   .trusts({}, "127.0.0.1"));
}

// The extra CA is the sandbox's: it may vouch for a staging page, never for a production one,
// even with a certificate that names the production host.
TEST(ExtraCertificateTrustTests, VouchesForStagingPagesOnlyNeverForProduction) {
  const QUrl production(QString::fromStdString(Config::webCheckoutBaseURL() + "custom.html"));
  const QUrl staging(QString::fromStdString(Config::devBaseURL() + "custom.html"));
  test::TestCertificateAuthority authority(
      {production.host().toStdString(), staging.host().toStdString()});
  ASSERT_TRUE(authority.isValid());
  const detail::ExtraCertificateTrust trust(QString::fromStdString(authority.caFile()));
  const auto chain = serverChain(authority);

  ASSERT_TRUE(trust.trusts(chain, production.host()));
  EXPECT_TRUE(trust.trustsPage(staging, chain));
  EXPECT_FALSE(trust.trustsPage(production, chain));
}

}  // namespace
}  // namespace tarvel
