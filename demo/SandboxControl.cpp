#include "SandboxControl.h"

#include <utility>  // move

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QUrl>
#include <QUrlQuery>

namespace demo {
namespace {

QString controlBaseFromEnvironment() {
  const QUrl api(qEnvironmentVariable("TARVEL_STAGING_API_URL"));
  if (!api.isValid() || api.host().isEmpty()) return {};
  return api.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toString() + "/control/";
}

QSslConfiguration trustingSandboxCa() {
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  const QString caFile = qEnvironmentVariable("TARVEL_CA_FILE");
  if (!caFile.isEmpty()) configuration.addCaCertificates(caFile);
  return configuration;
}

}  // namespace

SandboxControl::SandboxControl(QObject* parent)
    : QObject(parent), controlBase_(controlBaseFromEnvironment()) {}

bool SandboxControl::isConfigured() const { return !controlBase_.isEmpty(); }

void SandboxControl::lastOtp(const QString& moid, const QString& phone,
                             std::function<void(QString)> done) {
  QUrlQuery query;
  query.addQueryItem("moid", moid);
  query.addQueryItem("phone", phone);
  get("otp?" + query.toString(QUrl::FullyEncoded),
      [done = std::move(done)](bool ok, const tarvel::Dictionary& data) {
        const bool hasOtp = ok && data.contains("otp") && data["otp"].is_string();
        done(hasOtp ? QString::fromStdString(data["otp"].get<std::string>()) : QString());
      });
}

void SandboxControl::paymentStatus(const QString& moid, std::function<void(QString)> done) {
  QUrlQuery query;
  query.addQueryItem("moid", moid);
  get("order?" + query.toString(QUrl::FullyEncoded), [done = std::move(done)](
                                                         bool ok, const tarvel::Dictionary& order) {
    const bool known =
        ok && order.contains("payment_status") && order["payment_status"].is_string();
    done(known ? QString::fromStdString(order["payment_status"].get<std::string>()) : QString());
  });
}

void SandboxControl::payOrder(const QString& moid, std::function<void(bool)> done) {
  QUrlQuery query;
  query.addQueryItem("moid", moid);
  get("order?" + query.toString(QUrl::FullyEncoded),
      [this, done = std::move(done)](bool ok, const tarvel::Dictionary& order) {
        if (!ok || !order.contains("tarvel_oid")) {
          done(false);
          return;
        }
        post("pay", {{"tarvel_oid", order["tarvel_oid"]}, {"app", "demo-second-phone"}},
             [done](bool paid, const tarvel::Dictionary&) { done(paid); });
      });
}

void SandboxControl::get(const QString& path, Answer done) {
  QNetworkRequest request(QUrl(controlBase_ + path));
  request.setSslConfiguration(trustingSandboxCa());
  finish(network_.get(request), std::move(done));
}

void SandboxControl::post(const QString& path, const tarvel::Dictionary& body, Answer done) {
  QNetworkRequest request(QUrl(controlBase_ + path));
  request.setSslConfiguration(trustingSandboxCa());
  request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
  finish(network_.post(request, QByteArray::fromStdString(body.dump())), std::move(done));
}

void SandboxControl::finish(QNetworkReply* reply, Answer done) {
  connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
    reply->deleteLater();
    const auto answer = tarvel::Dictionary::parse(reply->readAll().toStdString(), nullptr, false);
    const bool ok = reply->error() == QNetworkReply::NoError && answer.is_object() &&
                    answer.contains("data") && answer["data"].is_object();
    done(ok, ok ? answer["data"] : tarvel::Dictionary::object());
  });
}

}  // namespace demo
