#include "TestCertificateAuthority.h"

#include <openssl/evp.h>     // EVP_EC_gen, EVP_PKEY
#include <openssl/pem.h>     // PEM_write_X509, PEM_write_PrivateKey
#include <openssl/x509.h>    // X509
#include <openssl/x509v3.h>  // X509V3_CTX, X509V3_EXT_nconf_nid

#include <cstdio>            // FILE, fopen, fclose
#include <initializer_list>  // initializer_list
#include <memory>            // unique_ptr
#include <string>            // string
#include <utility>           // pair

namespace tarvel::test {
namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

Key newKey() { return Key(EVP_EC_gen("P-256"), &EVP_PKEY_free); }

bool addExtensions(X509* certificate, X509* issuer,
                   std::initializer_list<std::pair<int, std::string>> extensions) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  for (const auto& [nid, value] : extensions) {
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &context, nid, value.c_str());
    bool added = extension != nullptr && X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    if (!added) return false;
  }
  return true;
}

// A certificate for `key` named `commonName`, valid for a day, signed by `issuerKey`; `issuer`
// is null for a self-signed authority. Null when OpenSSL fails.
Certificate newCertificate(EVP_PKEY* key, const char* commonName, long serial, X509* issuer,
                           EVP_PKEY* issuerKey, const std::string& alternativeNames = {}) {
  Certificate certificate(X509_new(), &X509_free);
  X509* raw = certificate.get();
  if (raw == nullptr) return certificate;
  X509_set_version(raw, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(raw), serial);
  X509_gmtime_adj(X509_getm_notBefore(raw), -60 * 60);  // clock skew
  X509_gmtime_adj(X509_getm_notAfter(raw), 24 * 60 * 60);
  X509_set_pubkey(raw, key);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(raw), "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : raw;
  X509_set_issuer_name(raw, X509_get_subject_name(signer));
  bool extended = issuer == nullptr
                      ? addExtensions(raw, signer,
                                      {{NID_basic_constraints, "critical,CA:TRUE"},
                                       {NID_key_usage, "critical,keyCertSign,cRLSign"},
                                       {NID_subject_key_identifier, "hash"}})
                      : addExtensions(raw, signer,
                                      {{NID_basic_constraints, "critical,CA:FALSE"},
                                       {NID_key_usage, "critical,digitalSignature"},
                                       {NID_ext_key_usage, "serverAuth"},
                                       {NID_subject_alt_name, alternativeNames},
                                       {NID_authority_key_identifier, "keyid:always"}});
  if (!extended || X509_sign(raw, issuerKey, EVP_sha256()) == 0) certificate.reset();
  return certificate;
}

bool writePem(const std::string& path, X509* certificate, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = certificate != nullptr
                     ? PEM_write_X509(file, certificate) == 1
                     : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  return std::fclose(file) == 0 && written;
}

}  // namespace

TestCertificateAuthority::TestCertificateAuthority() {
  Key authorityKey = newKey();
  Key serverKey = newKey();
  if (!authorityKey || !serverKey) return;
  Certificate authority =
      newCertificate(authorityKey.get(), "Tarvel Test CA", 1, nullptr, authorityKey.get());
  if (!authority) return;
  Certificate server = newCertificate(serverKey.get(), "localhost", 2, authority.get(),
                                      authorityKey.get(), "DNS:localhost,IP:127.0.0.1");
  valid_ = server && writePem(caFile(), authority.get(), nullptr) &&
           writePem(serverTls().certificateFile, server.get(), nullptr) &&
           writePem(serverTls().privateKeyFile, nullptr, serverKey.get());
}

}  // namespace tarvel::test
