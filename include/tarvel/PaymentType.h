#pragma once

#include <optional>  // optional
#include <string>    // string
#include <utility>   // move
#include <variant>   // variant, monostate

#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

namespace tarvel {

/// How an order is paid: `upi`, carrying a text (the UPI screen's sub-mode, "upi" or
/// "qrcode"), or `cod`, cash on delivery. A small value type; compare with `==`.
///
/// \code
///   auto type = PaymentType::fromOrder(order);   // nothing when "order_type" is not a text
///   if (type && type->isUpi()) { ... type->upiText() ... }
/// \endcode
class TARVEL_CHECKOUT_EXPORT PaymentType {
 public:
  /// A UPI payment carrying `text`.
  static PaymentType upi(std::string text) { return PaymentType(std::move(text)); }
  /// Cash on delivery.
  static PaymentType cod() { return PaymentType(); }

  /// From the order's "order_type": "upi" gives upi("upi"), any other text gives cod, and a
  /// missing key or a value that is not a text gives nothing.
  static std::optional<PaymentType> fromOrder(const Dictionary& order);

  /// True for `upi`, whatever its text.
  bool isUpi() const { return std::holds_alternative<std::string>(value_); }
  /// True for `cod`.
  bool isCod() const { return !isUpi(); }
  /// The text `upi` carries; nothing for `cod`.
  std::optional<std::string> upiText() const;

  /// Equal when both are `cod`, or both are `upi` with the same text.
  friend bool operator==(const PaymentType&, const PaymentType&) = default;

 private:
  PaymentType() = default;
  explicit PaymentType(std::string text) : value_(std::move(text)) {}

  std::variant<std::monostate, std::string> value_;  // monostate: cod
};

}  // namespace tarvel
