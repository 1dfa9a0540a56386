#pragma once

#include <string>  // string
#include <vector>  // vector

#include "LoopbackServer.h"
#include "TemporaryDirectory.h"

namespace tarvel::test {

/// A throwaway certificate authority and one server certificate it signed, for HTTPS tests on
/// 127.0.0.1: the sandbox's own (`sandbox::CertificateAuthority`), written into a private
/// temporary directory that goes away with the object.
///
///   tarvel::test::TestCertificateAuthority authority({"staging-api.tarvel.in"});
///   tarvel::test::LoopbackServer server(authority.serverTls());
///   server.answerJson("POST", "/v1/user/verify-otp", 200, "{}");
///   server.start();
///   // a client trusts the server only once it is given authority.caFile()
///
/// The server certificate names "localhost", 127.0.0.1 and ::1, and each of `extraHostNames`
/// (for tests that reach a named host on the loopback server). `Validity::expired` makes it a
/// certificate that ran out yesterday.
class TestCertificateAuthority {
 public:
  /// How the server certificate's validity stands.
  enum class Validity { current, expired };

  explicit TestCertificateAuthority(const std::vector<std::string>& extraHostNames = {},
                                    Validity validity = Validity::current);
  TestCertificateAuthority(const TestCertificateAuthority&) = delete;
  TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

  /// False when the files could not be made; the paths are then unusable.
  bool isValid() const { return valid_; }
  /// The CA certificate (PEM): what a client must trust.
  std::string caFile() const { return directory_.file("ca.pem"); }
  /// The server's certificate and key (PEM), ready for `LoopbackServer`.
  LoopbackServer::Tls serverTls() const {
    return {directory_.file("server.pem"), directory_.file("server-key.pem")};
  }

 private:
  TemporaryDirectory directory_;
  bool valid_ = false;
};

}  // namespace tarvel::test
