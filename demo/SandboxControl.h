#pragma once

#include <functional>  // function

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

#include "tarvel/Dictionary.h"

namespace demo {

/// The sandbox's control endpoints, as the scripted shopper uses them: what a second phone or
/// the shopper's own SMS inbox would do. Found through TARVEL_STAGING_API_URL (its origin) and
/// trusting TARVEL_CA_FILE, as the component does. Asynchronous, on the GUI thread.
class SandboxControl : public QObject {
  Q_OBJECT

 public:
  using Answer = std::function<void(bool ok, const tarvel::Dictionary& data)>;

  explicit SandboxControl(QObject* parent = nullptr);

  /// True when the environment names a sandbox.
  bool isConfigured() const;

  /// The last OTP the platform sent for (moid, phone), as the shopper reads it off the SMS.
  void lastOtp(const QString& moid, const QString& phone, std::function<void(QString otp)> done);
  /// The order's payment status as the platform holds it ("PENDING", "PAID"), or "" when
  /// unknown.
  void paymentStatus(const QString& moid, std::function<void(QString status)> done);
  /// Pays the order `moid` as a scan of its QR code from another phone would.
  void payOrder(const QString& moid, std::function<void(bool paid)> done);

 private:
  void get(const QString& path, Answer done);
  void post(const QString& path, const tarvel::Dictionary& body, Answer done);
  void finish(class QNetworkReply* reply, Answer done);

  QString controlBase_;
  QNetworkAccessManager network_;
};

}  // namespace demo
