#pragma once

#include <string>  // string

#include "LoopbackServer.h"
#include "TemporaryDirectory.h"

namespace tarvel::test {

/// A throwaway certificate authority and one server certificate it signed, for HTTPS tests on
/// 127.0.0.1. Everything is generated in memory with OpenSSL (EC P-256, valid for a day) and
/// written as PEM files into a private temporary directory that goes away with the object.
///
///   tarvel::test::TestCertificateAuthority authority;
///   tarvel::test::LoopbackServer server(authority.serverTls());
///   server.answerJson("POST", "/v1/user/verify-otp", 200, "{}");
///   server.start();
///   // a client trusts the server only once it is given authority.caFile()
///
/// The server certificate names "localhost" and the address 127.0.0.1.
class TestCertificateAuthority {
 public:
  TestCertificateAuthority();

  /// False when OpenSSL failed to produce the files; the paths are then unusable.
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
