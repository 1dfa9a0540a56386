#include <gtest/gtest.h>

#include <QSslCertificate>

#include "TestCertificateAuthority.h"
#include "screens/web/ExtraCertificateTrust.h"

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

}  // namespace
}  // namespace tarvel
