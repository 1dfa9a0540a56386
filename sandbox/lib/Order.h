#pragma once

#include <string>  // string

#include <nlohmann/json.hpp>

#include "Scenario.h"

namespace tarvel::sandbox {

enum class PaymentStatus { pending, paid };

/// One order as the platform keeps it, from its first verification on.
struct Order {
  std::string tarvelOid;  // the platform's identifier, also the UPI link's "tr"
  std::string authToken;  // required by "v1/payment/capture"
  std::string mid;
  std::string moid;
  std::string orderType;
  std::string requestId;
  std::string phone;
  std::string amount;  // two decimals, e.g. "499.00"
  Scenario scenario;
  PaymentStatus status = PaymentStatus::pending;
  int captures = 0;      // accepted capture requests so far
  std::string paidWith;  // the app (or "control") that paid, once paid
};

/// "PENDING" or "PAID", as "payment_status" carries it.
inline const char* paymentStatusText(PaymentStatus status) {
  return status == PaymentStatus::paid ? "PAID" : "PENDING";
}

/// What the control and web endpoints tell about an order (never its auth token).
inline nlohmann::json orderSummary(const Order& order) {
  return {{"tarvel_oid", order.tarvelOid},
          {"mid", order.mid},
          {"moid", order.moid},
          {"order_type", order.orderType},
          {"request_id", order.requestId},
          {"total", order.amount},
          {"payment_status", paymentStatusText(order.status)},
          {"captures", order.captures},
          {"paid_with", order.paidWith}};
}

}  // namespace tarvel::sandbox
