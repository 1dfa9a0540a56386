#include "CertificateAuthority.h"

#include <cstdio>        // FILE, fopen
#include <memory>        // unique_ptr
#include <system_error>  // error_code
#include <utility>       // move

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "SecureRandom.h"

namespace tarvel::sandbox {
namespace {

constexpr long kValiditySeconds = 30L * 24 * 60 * 60;
constexpr long kBackdateSeconds = 60L * 60;  // tolerates clocks that lag a little

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Certificate = std::unique_ptr<X509, CertificateFree>;

Key makeKey() { return Key(EVP_EC_gen("P-256")); }

bool setRandomSerial(X509* certificate) {
  BIGNUM* number = nullptr;
  const std::string hex = SecureRandom::hex(16);
  // A positive serial: clear the top bit by prefixing a zero digit.
  if (BN_hex2bn(&number, ("0" + hex).c_str()) == 0) return false;
  const bool ok = BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate)) != nullptr;
  BN_free(number);
  return ok;
}

bool addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (!extension) return false;
  const bool ok = X509_add_ext(certificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return ok;
}

// A certificate for `key` with the common name `commonName`, not yet signed. The issuer name
// is set by the caller.
Certificate makeCertificate(EVP_PKEY* key, const char* commonName) {
  Certificate certificate(X509_new());
  if (!certificate || X509_set_version(certificate.get(), 2) != 1 ||
      !setRandomSerial(certificate.get()) ||
      !X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -kBackdateSeconds) ||
      !X509_gmtime_adj(X509_getm_notAfter(certificate.get()), kValiditySeconds) ||
      X509_set_pubkey(certificate.get(), key) != 1) {
    return nullptr;
  }
  X509_NAME* name = X509_get_subject_name(certificate.get());
  if (X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                 reinterpret_cast<const unsigned char*>("Tarvel Sandbox"), -1, -1,
                                 0) != 1 ||
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                 reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                                 0) != 1) {
    return nullptr;
  }
  return certificate;
}

Certificate makeAuthorityCertificate(EVP_PKEY* key) {
  auto certificate = makeCertificate(key, "Tarvel Sandbox CA");
  if (!certificate ||
      X509_set_issuer_name(certificate.get(), X509_get_subject_name(certificate.get())) != 1 ||
      !addExtension(certificate.get(), certificate.get(), NID_basic_constraints,
                    "critical,CA:TRUE,pathlen:0") ||
      !addExtension(certificate.get(), certificate.get(), NID_key_usage,
                    "critical,keyCertSign,cRLSign") ||
      !addExtension(certificate.get(), certificate.get(), NID_subject_key_identifier, "hash") ||
      X509_sign(certificate.get(), key, EVP_sha256()) == 0) {
    return nullptr;
  }
  return certificate;
}

std::string alternativeNames(const std::vector<std::string>& extraHostNames) {
  std::string names = "IP:127.0.0.1,IP:::1,DNS:localhost";
  for (const auto& name : extraHostNames) names += ",DNS:" + name;
  return names;
}

// An expired certificate ran out a day ago, after a day of validity.
bool expire(X509* certificate) {
  constexpr long kDay = 24L * 60 * 60;
  return X509_gmtime_adj(X509_getm_notBefore(certificate), -2 * kDay) &&
         X509_gmtime_adj(X509_getm_notAfter(certificate), -kDay);
}

Certificate makeServerCertificate(EVP_PKEY* key, X509* authority, EVP_PKEY* authorityKey,
                                  const std::vector<std::string>& extraHostNames, bool expired) {
  auto certificate = makeCertificate(key, "localhost");
  if (!certificate || (expired && !expire(certificate.get())) ||
      X509_set_issuer_name(certificate.get(), X509_get_subject_name(authority)) != 1 ||
      !addExtension(certificate.get(), authority, NID_basic_constraints, "critical,CA:FALSE") ||
      !addExtension(certificate.get(), authority, NID_key_usage,
                    "critical,digitalSignature,keyEncipherment") ||
      !addExtension(certificate.get(), authority, NID_ext_key_usage, "serverAuth") ||
      !addExtension(certificate.get(), authority, NID_subject_alt_name,
                    alternativeNames(extraHostNames).c_str()) ||
      !addExtension(certificate.get(), authority, NID_subject_key_identifier, "hash") ||
      !addExtension(certificate.get(), authority, NID_authority_key_identifier, "keyid:always") ||
      X509_sign(certificate.get(), authorityKey, EVP_sha256()) == 0) {
    return nullptr;
  }
  return certificate;
}

bool writeCertificate(const std::filesystem::path& path, X509* certificate) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wb"));
  return file && PEM_write_X509(file.get(), certificate) == 1;
}

bool writeKey(const std::filesystem::path& path, EVP_PKEY* key) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  std::error_code ignored;  // the key stays usable with wider rights
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ignored);
  return PEM_write_PrivateKey(file.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
}

bool fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

}  // namespace

std::optional<CertificateAuthority> CertificateAuthority::create(
    const std::filesystem::path& directory, std::string* error,
    const std::vector<std::string>& extraHostNames, bool serverCertificateExpired) {
  std::error_code code;
  std::filesystem::create_directories(directory, code);
  if (code) {
    fail(error, "cannot create " + directory.string() + ": " + code.message());
    return std::nullopt;
  }
  const Key authorityKey = makeKey();
  const Key serverKey = makeKey();
  if (!authorityKey || !serverKey) {
    fail(error, "cannot generate P-256 keys");
    return std::nullopt;
  }
  const auto authority = makeAuthorityCertificate(authorityKey.get());
  if (!authority) {
    fail(error, "cannot make the CA certificate");
    return std::nullopt;
  }
  const auto server = makeServerCertificate(serverKey.get(), authority.get(), authorityKey.get(),
                                            extraHostNames, serverCertificateExpired);
  if (!server) {
    fail(error, "cannot make the server certificate");
    return std::nullopt;
  }

  CertificateAuthority result;
  result.caFile_ = directory / "ca.pem";
  result.serverCertificateFile_ = directory / "server.pem";
  result.serverKeyFile_ = directory / "server-key.pem";
  if (!writeCertificate(result.caFile_, authority.get()) ||
      !writeCertificate(result.serverCertificateFile_, server.get()) ||
      !writeKey(result.serverKeyFile_, serverKey.get())) {
    fail(error, "cannot write the certificates into " + directory.string());
    return std::nullopt;
  }
  return result;
}

}  // namespace tarvel::sandbox
