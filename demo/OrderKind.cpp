#include "OrderKind.h"

#include <QDateTime>
#include <QStringList>

namespace demo {

const std::vector<OrderKind>& OrderKind::all() {
  static const std::vector<OrderKind> kinds = {
      {"upi-tiles", "UPI app", "Pick PhonePe, Google Pay, Paytm or BHIM", "upi", std::nullopt, ""},
      {"upi-phonepe", "PhonePe", "Opens PhonePe straight away", "upi", QString("phonepe"), ""},
      {"upi-qr", "UPI QR code", "Scan from another phone", "upi", std::nullopt, "no-uapp"},
      {"cod", "Cash on delivery", "Confirm your phone with an OTP", "cod", std::nullopt, ""},
      {"cod-modal", "Cash on delivery, quick", "The OTP check as a sheet over the shop", "cod",
       QString(""), ""},
      {"web", "Card or net banking", "Tarvel's hosted checkout page", "upi", QString("customweb"),
       ""},
      {"rto", "Track a return", "No screen: one tracking request", "non-vx", std::nullopt, ""},
  };
  return kinds;
}

const OrderKind* OrderKind::find(const QString& id) {
  for (const OrderKind& kind : all()) {
    if (kind.id == id) return &kind;
  }
  return nullptr;
}

const std::vector<Scenario>& Scenario::all() {
  static const std::vector<Scenario> scenarios = {
      {"", "Normal"},
      {"paid", "Paid at the first status check"},
      {"paid-after-2", "Paid at the second status check"},
      {"never-pays", "Never paid"},
      {"verify-failed", "Order not verified"},
      {"otp-verified", "Phone already verified"},
      {"no-ulink", "No UPI link"},
      {"slow", "Slow platform (3 s)"},
      {"server-error", "Platform error (500)"},
  };
  return scenarios;
}

tarvel::Dictionary makeOrder(const OrderKind& kind, const QString& scenario, const QString& phone,
                             const QString& total, int serial) {
  const QString stamp =
      QString::number(QDateTime::currentMSecsSinceEpoch()) + "-" + QString::number(serial);
  QStringList scenarios;
  if (!kind.scenario.isEmpty()) scenarios << kind.scenario;
  if (!scenario.isEmpty()) scenarios << scenario;
  const QString moidPrefix = scenario.isEmpty() ? QString() : scenario + "-";

  tarvel::Dictionary order = {
      {"order_type", kind.orderType.toStdString()},
      {"mid", "demo-merchant"},
      {"moid", (moidPrefix + "demo-" + stamp).toStdString()},
      {"request_id", ("req-" + stamp).toStdString()},
      {"tarvel_oid", ("oid-" + stamp).toStdString()},
      {"phone", phone.toStdString()},
      {"total", total.toStdString()},
  };
  if (kind.upiApp) order["upi_app"] = kind.upiApp->toStdString();
  if (!scenarios.isEmpty()) order["sandbox_scenario"] = scenarios.join(',').toStdString();
  return order;
}

}  // namespace demo
