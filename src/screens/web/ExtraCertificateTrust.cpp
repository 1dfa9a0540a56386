#include "ExtraCertificateTrust.h"

#include <cstdlib>  // getenv
#include <memory>   // unique_ptr

#include <QHostAddress>  // QHostAddress

#include <openssl/pem.h>       // PEM_read_bio_X509
#include <openssl/x509_vfy.h>  // X509_STORE, X509_verify_cert
#include <openssl/x509v3.h>    // X509_VERIFY_PARAM_set1_host

#include "config/ExtraCaScope.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

template <auto Free>
struct OpenSslDeleter {
  template <typename T>
  void operator()(T* pointer) const {
    Free(pointer);
  }
};
using X509Ptr = std::unique_ptr<X509, OpenSslDeleter<X509_free>>;
using StorePtr = std::unique_ptr<X509_STORE, OpenSslDeleter<X509_STORE_free>>;
using StoreContextPtr = std::unique_ptr<X509_STORE_CTX, OpenSslDeleter<X509_STORE_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSslDeleter<BIO_free>>;

void freeCertificateStack(STACK_OF(X509) * stack) { sk_X509_pop_free(stack, X509_free); }
using CertificateStackPtr = std::unique_ptr<STACK_OF(X509), OpenSslDeleter<freeCertificateStack>>;

X509Ptr toX509(const QSslCertificate& certificate) {
  const QByteArray pem = certificate.toPem();
  BioPtr bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
  if (!bio) return nullptr;
  return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

bool restrictToHost(X509_STORE_CTX* context, const QString& host) {
  X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context);
  const QByteArray hostText = host.toUtf8();
  if (QHostAddress().setAddress(host)) {
    return X509_VERIFY_PARAM_set1_ip_asc(parameters, hostText.constData()) == 1;
  }
  return X509_VERIFY_PARAM_set1_host(parameters, hostText.constData(), hostText.size()) == 1;
}

}  // namespace

const ExtraCertificateTrust& ExtraCertificateTrust::fromEnvironment() {
  static const ExtraCertificateTrust trust(QString::fromLocal8Bit(std::getenv("TARVEL_CA_FILE")));
  return trust;
}

ExtraCertificateTrust::ExtraCertificateTrust(const QString& caFile) : caFile_(caFile) {}

bool ExtraCertificateTrust::trusts(const QList<QSslCertificate>& chain, const QString& host) const {
  if (caFile_.isEmpty() || chain.isEmpty() || host.isEmpty()) return false;

  StorePtr store(X509_STORE_new());
  if (!store || X509_STORE_load_file(store.get(), caFile_.toLocal8Bit().constData()) != 1) {
    log(LogLevel::warning, "Extra CA file could not be read: " + caFile_.toStdString());
    return false;
  }
  X509Ptr leaf = toX509(chain.first());
  CertificateStackPtr intermediates(sk_X509_new_null());
  if (!leaf || !intermediates) return false;
  for (qsizetype i = 1; i < chain.size(); ++i) {
    if (X509Ptr certificate = toX509(chain.at(i))) {
      sk_X509_push(intermediates.get(), certificate.release());
    }
  }

  StoreContextPtr context(X509_STORE_CTX_new());
  if (!context ||
      X509_STORE_CTX_init(context.get(), store.get(), leaf.get(), intermediates.get()) != 1 ||
      !restrictToHost(context.get(), host)) {
    return false;
  }
  return X509_verify_cert(context.get()) == 1;
}

bool ExtraCertificateTrust::trustsPage(const QUrl& page,
                                       const QList<QSslCertificate>& chain) const {
  const QByteArray address = page.toEncoded();
  return extraCaAppliesTo({address.constData(), static_cast<std::size_t>(address.size())}) &&
         trusts(chain, page.host());
}

}  // namespace tarvel::detail
