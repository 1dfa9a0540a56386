#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

#include <nlohmann/json.hpp>

#include "UpiLink.h"

namespace tarvel::sandbox {

/// What a simulated UPI app does with a pay link: asks the sandbox's control endpoint to
/// record the payment of the order the link names.
class UpiAppClient {
 public:
  struct Result {
    bool paid = false;
    std::string message;   // the sandbox's message, or why the payment was not recorded
    nlohmann::json order;  // the order summary the sandbox answered with, once paid
  };

  /// `origin` such as "https://127.0.0.1:8443"; `caFile` is trusted for HTTPS when not empty.
  UpiAppClient(std::string origin, std::string caFile);

  /// Pays with `link.reference`, `link.amount`, `link.payeeAddress` and the app named by
  /// `link.scheme`; the sandbox refuses a payee that is not the order's. Waits at most a few
  /// seconds for the sandbox.
  Result pay(const UpiLink& link) const;

  /// The "scheme://host:port" part of a URL such as TARVEL_STAGING_API_URL.
  static std::optional<std::string> originOf(std::string_view url);

 private:
  std::string origin_;
  std::string caFile_;
};

}  // namespace tarvel::sandbox
