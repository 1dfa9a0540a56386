#include "TestCertificateAuthority.h"

#include <openssl/evp.h>     // EVP_EC_gen, EVP_PKEY
#include <openssl/pem.h>     // PEM_write_X509, PEM_write_PrivateKey
#include <openssl/x509.h>    // X509
#include <openssl/x509v3.h>  // X509V3_CTX, X509V3_EXT_nconf_nid

#include <cstdio>  // FILE, fopen, fclose
#include <memory>  // unique_ptr
#include <string>  // string

namespace tarvel::test {
namespace {

constexpr long kValiditySeconds = 24 * 60 * 60;
constexpr long kClockSkewSeconds = 60 * 60;

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Certificate = std::unique_ptr<X509, CertificateDeleter>;

Key newKey() { return Key(EVP_EC_gen("P-256")); }

bool addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &context, nid, value);
  if (extension == nullptr) return false;
  bool added = X509_add_ext(certificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

// A certificate for `key` named `commonName`, signed by `issuerKey`; `issuer` is null for a
// self-signed one.
Certificate newCertificate(EVP_PKEY* key, const char* commonName, long serial, X509* issuer,
                           EVP_PKEY* issuerKey, bool isAuthority,
                           const std::string& alternativeNames = {}) {
  Certificate certificate(X509_new());
  if (!certificate) return nullptr;
  X509* raw = certificate.get();
  X509_set_version(raw, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(raw), serial);
  X509_gmtime_adj(X509_getm_notBefore(raw), -kClockSkewSeconds);
  X509_gmtime_adj(X509_getm_notAfter(raw), kValiditySeconds);
  X509_set_pubkey(raw, key);
  X509_NAME* name = X509_get_subject_name(raw);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Tarvel tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : raw;
  X509_set_issuer_name(raw, X509_get_subject_name(signer));

  bool extensionsAdded =
      isAuthority ? addExtension(raw, signer, NID_basic_constraints, "critical,CA:TRUE") &&
                        addExtension(raw, signer, NID_key_usage, "critical,keyCertSign,cRLSign") &&
                        addExtension(raw, signer, NID_subject_key_identifier, "hash")
                  : addExtension(raw, signer, NID_basic_constraints, "critical,CA:FALSE") &&
                        addExtension(raw, signer, NID_key_usage, "critical,digitalSignature") &&
                        addExtension(raw, signer, NID_ext_key_usage, "serverAuth") &&
                        addExtension(raw, signer, NID_subject_alt_name, alternativeNames.c_str()) &&
                        addExtension(raw, signer, NID_authority_key_identifier, "keyid:always");
  if (!extensionsAdded) return nullptr;
  if (X509_sign(raw, issuerKey, EVP_sha256()) == 0) return nullptr;
  return certificate;
}

bool writeCertificate(const std::string& path, X509* certificate) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = PEM_write_X509(file, certificate) == 1;
  return std::fclose(file) == 0 && written;
}

bool writeKey(const std::string& path, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  return std::fclose(file) == 0 && written;
}

}  // namespace

TestCertificateAuthority::TestCertificateAuthority(const std::vector<std::string>& extraDnsNames) {
  std::string alternativeNames = "DNS:localhost,IP:127.0.0.1";
  for (const auto& name : extraDnsNames) alternativeNames += ",DNS:" + name;
  Key authorityKey = newKey();
  Key serverKey = newKey();
  if (!authorityKey || !serverKey) return;
  Certificate authority =
      newCertificate(authorityKey.get(), "Tarvel Test CA", 1, nullptr, authorityKey.get(), true);
  if (!authority) return;
  Certificate server = newCertificate(serverKey.get(), "localhost", 2, authority.get(),
                                      authorityKey.get(), false, alternativeNames);
  if (!server) return;
  valid_ = writeCertificate(caFile(), authority.get()) &&
           writeCertificate(serverTls().certificateFile, server.get()) &&
           writeKey(serverTls().privateKeyFile, serverKey.get());
}

}  // namespace tarvel::test
