#pragma once

#include "LoopbackServer.h"  // from the test support library

namespace tarvel::test {

/// The server hosting "custom.html" for the web checkout tests; started by main().
LoopbackServer& checkoutPageServer();

/// A hosted checkout page that shows the order and, chosen by its request_id, posts its result
/// the way the real page does: "success", "failure" (a body with a secret), "text-body" (no
/// object), "twice" (onFailure then at once onSuccess); anything else posts nothing.
inline constexpr const char* kCheckoutTestPage = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"><title>Checkout</title><style>
  body { margin: 0; font-family: sans-serif; background: #F4F5F7; }
  .card { margin: 20px; padding: 20px; background: #FFF; border-radius: 10px; }
  button { width: 100%; padding: 14px; border: 0; border-radius: 8px; background: #5F259F; color: #FFF; }
</style></head>
<body><div class="card"><h1>Pay securely</h1><div id="order"></div><h2>Rs. 499.00</h2>
<button>Pay now</button></div>
<script>
  var query = new URLSearchParams(location.search);
  document.getElementById('order').textContent =
      'Order ' + query.get('tarvel_oid') + ' from merchant ' + query.get('mid');
  var handlers = window.webkit.messageHandlers;
  switch (query.get('request_id')) {
    case 'success': handlers.onSuccess.postMessage({status: 'ok'}); break;
    case 'failure':
      handlers.onFailure.postMessage({status: 'failed', reason: 'declined', auth_token: 'tok-secret-123'});
      break;
    case 'text-body': handlers.onSuccess.postMessage('done'); break;
    case 'twice':
      handlers.onFailure.postMessage({first: true});
      handlers.onSuccess.postMessage({second: true});
      break;
  }
</script></body></html>
)HTML";

}  // namespace tarvel::test
