#pragma once

#include <string>  // string

#include <QUrl>  // QUrl

#include "ModuleTestApi.h"
#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// The address of the hosted checkout page for one order, or why there is none.
struct WebCheckoutPageAddress {
  QUrl url;           ///< valid when `error` is empty
  std::string error;  ///< what is wrong with the order or the base, for the log and the host
};

/// `baseUrl` + "custom.html?order_type=…&mid=…&moid=…&environment=sandbox&request_id=…
/// &tarvel_oid=…", the values read as text from `order` and percent-encoded, so that a space,
/// "&" or "=" in a value stays inside its own parameter. A value that is missing or not text
/// gives no address.
TARVEL_MODULE_TEST_API WebCheckoutPageAddress webCheckoutPageAddress(const std::string& baseUrl,
                                                                     const Dictionary& order);

}  // namespace tarvel::detail
