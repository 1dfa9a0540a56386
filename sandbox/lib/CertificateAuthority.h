#pragma once

#include <filesystem>  // path
#include <optional>    // optional
#include <string>      // string
#include <vector>      // vector

namespace tarvel::sandbox {

/// A private certificate authority made for one run: a CA key and certificate, and a server
/// certificate for 127.0.0.1 and ::1 (IP names) and localhost (DNS name) signed by it, written
/// as PEM files. Clients trust the sandbox by trusting `caFile()` alone.
class CertificateAuthority {
 public:
  /// Creates the keys and certificates and writes "ca.pem", "server.pem" and "server-key.pem"
  /// into `directory` (created if needed). The server certificate also names each of
  /// `extraHostNames` (DNS names; tests reach other host names on 127.0.0.1 with them).
  /// Nothing, with the reason in `error`, on failure. `serverCertificateExpired` makes a
  /// server certificate that ran out yesterday (for clients' refusal tests).
  static std::optional<CertificateAuthority> create(
      const std::filesystem::path& directory, std::string* error,
      const std::vector<std::string>& extraHostNames = {}, bool serverCertificateExpired = false);

  const std::filesystem::path& caFile() const { return caFile_; }
  const std::filesystem::path& serverCertificateFile() const { return serverCertificateFile_; }
  const std::filesystem::path& serverKeyFile() const { return serverKeyFile_; }

 private:
  std::filesystem::path caFile_;
  std::filesystem::path serverCertificateFile_;
  std::filesystem::path serverKeyFile_;
};

}  // namespace tarvel::sandbox
