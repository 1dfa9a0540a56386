#pragma once

#include <string_view>  // string_view

namespace tarvel::sandbox {

/// The hosted web-checkout page "custom.html". It shows the order identifiers of its query
/// (order_type, mid, moid, environment, request_id, tarvel_oid) and posts the result with
/// `window.webkit.messageHandlers.onSuccess.postMessage(body)` or `.onFailure`, waiting up to
/// ten seconds for that bridge to appear. "Pay now" first records the payment on the
/// platform (POST "pay" beside the page, `WebEndpoints`) and posts `onSuccess` only once the
/// platform holds the order as paid; `onFailure` otherwise. A moid starting "auto-success" or
/// "auto-failure" pays or fails on load without a click.
class CheckoutPage {
 public:
  static std::string_view html();
};

}  // namespace tarvel::sandbox
