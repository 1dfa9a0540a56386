#include "CheckoutPage.h"

namespace tarvel::sandbox {
namespace {

// The values go into the page with textContent only, so a query cannot inject markup.
constexpr std::string_view kPage = R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Tarvel Sandbox Checkout</title>
<style>
  body { font-family: "DejaVu Sans", sans-serif; margin: 0; background: #f4f5f9; color: #1d1d2c; }
  main { max-width: 28rem; margin: 0 auto; padding: 1.5rem; }
  h1 { font-size: 1.4rem; margin: 0 0 0.25rem; }
  .note { color: #6b6b80; font-size: 0.85rem; margin: 0 0 1rem; }
  dl { display: grid; grid-template-columns: auto 1fr; gap: 0.35rem 0.75rem; background: #fff;
       border-radius: 8px; padding: 1rem; box-shadow: 0 2px 6px rgba(0, 0, 0, 0.12); }
  dt { font-weight: bold; }
  dd { margin: 0; word-break: break-all; }
  .buttons { display: flex; gap: 0.75rem; margin-top: 1.25rem; }
  button { flex: 1; font-size: 1rem; padding: 0.8rem; border: 0; border-radius: 8px;
           background: #2e7d32; color: #fff; cursor: pointer; }
  button.secondary { background: #c62828; }
  button:disabled { opacity: 0.5; cursor: default; }
  #state { min-height: 1.2rem; margin-top: 1rem; font-size: 0.9rem; }
</style>
</head>
<body>
<main>
  <h1>Sandbox checkout</h1>
  <p class="note">Test page of the Tarvel sandbox platform. No money moves.</p>
  <dl id="order"></dl>
  <div class="buttons">
    <button id="pay" type="button">Pay now</button>
    <button id="fail" type="button" class="secondary">Fail payment</button>
  </div>
  <p id="state" role="status"></p>
</main>
<script>
(function () {
  "use strict";
  var FIELDS = ["order_type", "mid", "moid", "environment", "request_id", "tarvel_oid"];
  var BRIDGE_WAIT_MS = 10000;
  var BRIDGE_POLL_MS = 50;

  var params = new URLSearchParams(window.location.search);
  var order = {};
  FIELDS.forEach(function (name) { order[name] = params.get(name) || ""; });

  var list = document.getElementById("order");
  FIELDS.forEach(function (name) {
    var term = document.createElement("dt");
    term.textContent = name;
    var value = document.createElement("dd");
    value.textContent = order[name] === "" ? "(none)" : order[name];
    list.appendChild(term);
    list.appendChild(value);
  });

  var payButton = document.getElementById("pay");
  var failButton = document.getElementById("fail");
  var stateLine = document.getElementById("state");
  var busy = false;

  function setButtonsEnabled(enabled) {
    payButton.disabled = !enabled;
    failButton.disabled = !enabled;
  }

  function begin(text) {
    if (busy) return false;
    busy = true;
    setButtonsEnabled(false);
    stateLine.textContent = text;
    return true;
  }

  // The native side injects window.webkit at document creation; a page opened elsewhere may
  // see it late or never, so wait a little before giving up.
  function nativeHandler(name) {
    var webkit = window.webkit;
    var handlers = webkit && webkit.messageHandlers;
    var handler = handlers && handlers[name];
    return handler && typeof handler.postMessage === "function" ? handler : null;
  }

  function post(name, body) {
    stateLine.textContent = "Sending " + name + "\u2026";
    var waited = 0;
    (function attempt() {
      var handler = nativeHandler(name);
      if (handler) {
        handler.postMessage(body);
        stateLine.textContent = name + " sent.";
        document.title = "Posted " + name;
        return;
      }
      if (waited >= BRIDGE_WAIT_MS) {
        stateLine.textContent = "No native bridge: " + name + " was not delivered.";
        busy = false;
        setButtonsEnabled(true);
        return;
      }
      waited += BRIDGE_POLL_MS;
      setTimeout(attempt, BRIDGE_POLL_MS);
    })();
  }

  function result(status, paymentStatus, message) {
    var body = { status: status, payment_status: paymentStatus };
    FIELDS.forEach(function (name) { body[name] = order[name]; });
    if (message) body.message = message;
    return body;
  }

  function reportFailure(message) {
    post("onFailure", result("failure", "FAILED", message));
  }

  // Like a real hosted page, the payment is taken on the platform before the app hears of
  // it, so a status poll afterwards reads what the app was told.
  function pay() {
    if (!begin("Paying\u2026")) return;
    fetch("pay", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(order)
    }).then(function (response) {
      return response.json().then(function (answer) {
        var data = answer && answer.data;
        if (response.ok && data && data.payment_status === "PAID") {
          post("onSuccess", result("success", "PAID"));
        } else {
          reportFailure((answer && answer.error) || "the payment was not recorded");
        }
      });
    }).catch(function (error) {
      reportFailure("the payment was not recorded: " + error);
    });
  }

  function fail() {
    if (begin("Failing the payment\u2026")) reportFailure("");
  }

  payButton.addEventListener("click", pay);
  failButton.addEventListener("click", fail);

  if (order.moid.indexOf("auto-success") === 0) {
    pay();
  } else if (order.moid.indexOf("auto-failure") === 0) {
    fail();
  }
})();
</script>
</body>
</html>
)PAGE";

}  // namespace

std::string_view CheckoutPage::html() { return kPage; }

}  // namespace tarvel::sandbox
