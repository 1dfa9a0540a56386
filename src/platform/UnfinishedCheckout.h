#pragma once

#include <chrono>    // milliseconds
#include <cstdint>   // int64_t
#include <optional>  // optional
#include <string>    // string

#include "tarvel/Dictionary.h"
#include "tarvel/Environment.h"

namespace tarvel::detail {

/// One checkout the shopper could pay for while its outcome had not yet reached the host: what
/// a payment-status request needs, and nothing else of the order. Written to the journal as a
/// JSON object; `auth_token` makes every copy of it a secret.
struct UnfinishedCheckout {
  /// How the shopper pays: a UPI app opened, the QR code, or the hosted web checkout page.
  enum class Flow { upiApp, qrCode, web };

  Environment environment = Environment::staging;
  Flow flow = Flow::qrCode;
  std::string tarvelOid;
  std::string authToken;
  std::string moid;
  std::string mid;
  std::string requestId;
  std::string amount;
  std::int64_t paymentStartMs = 0;  ///< when the shopper could start paying, ms since the epoch

  /// From the order and the platform's verify answer (both may lack any key), stamped now.
  static UnfinishedCheckout fromOrder(Flow flow, Environment environment, const Dictionary& order,
                                      const Dictionary& verifyData);

  Dictionary toJson() const;
  /// Nothing unless `json` is an object with every key of the right type.
  static std::optional<UnfinishedCheckout> fromJson(const Dictionary& json);

  /// How long the flow itself would have polled for the payment after it could start.
  std::chrono::milliseconds paymentWindow() const;
};

}  // namespace tarvel::detail
