#pragma once

#include "LoopbackServer.h"  // from the test support library

namespace tarvel::test {

/// The server hosting "custom.html" for the web checkout tests; started by main().
LoopbackServer& checkoutPageServer();

/// A hosted checkout page for tests: it shows the order and, chosen by its request_id, posts
/// its result the way the real page does.
///   success    onSuccess {"status": "ok"}
///   failure    onFailure with a body that carries a secret (auth_token)
///   text-body  onSuccess with a text body instead of an object
///   twice      onFailure, then at once onSuccess
///   anything else: posts nothing (the shopper is still deciding)
inline constexpr const char* kCheckoutTestPage = R"HTML(<!doctype html>
<html><head><meta charset="utf-8"><title>Checkout</title>
<style>
  body { margin: 0; font-family: sans-serif; background: #F4F5F7; color: #1A1A1A; }
  .card { margin: 20px; padding: 20px; background: #FFFFFF; border-radius: 10px;
          box-shadow: 0 3px 4px rgba(0, 0, 0, 0.15); }
  h1 { font-size: 20px; margin: 0 0 8px; }
  .muted { color: #6B6F76; font-size: 14px; }
  .amount { font-size: 30px; font-weight: bold; margin: 18px 0; }
  button { width: 100%; padding: 14px; border: 0; border-radius: 8px; font-size: 16px;
           background: #5F259F; color: #FFFFFF; }
</style></head>
<body>
  <div class="card">
    <h1>Pay securely</h1>
    <div class="muted" id="order"></div>
    <div class="amount">Rs. 499.00</div>
    <button>Pay now</button>
  </div>
<script>
  var query = new URLSearchParams(location.search);
  document.getElementById('order').textContent =
      'Order ' + query.get('tarvel_oid') + ' from merchant ' + query.get('mid');
  var handlers = window.webkit.messageHandlers;
  switch (query.get('request_id')) {
    case 'success':
      handlers.onSuccess.postMessage({status: 'ok'});
      break;
    case 'failure':
      handlers.onFailure.postMessage({status: 'failed', reason: 'declined',
                                      auth_token: 'tok-secret-123'});
      break;
    case 'text-body':
      handlers.onSuccess.postMessage('done');
      break;
    case 'twice':
      handlers.onFailure.postMessage({first: true});
      handlers.onSuccess.postMessage({second: true});
      break;
  }
</script>
</body></html>
)HTML";

}  // namespace tarvel::test
