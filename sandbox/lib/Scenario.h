#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view
#include <vector>       // vector

namespace tarvel::sandbox {

/// The endpoint families a fault can be aimed at; "otp" covers send, resend and verify, "web"
/// is the hosted checkout page.
enum class Endpoint { verify, capture, otp, rto, web };

/// How an answer is spoiled on purpose.
enum class Fault {
  none,
  slow,             // the normal answer after a delay
  serverError,      // the normal body with status 500
  notJson,          // a plain-text body
  noData,           // a JSON object without "data"
  dropConnection,   // a Content-Length larger than the body, then the connection is closed
  serverErrorText,  // status 500 with a plain-text error page
  notObject,        // a JSON array instead of an object
  gigantic,         // a body of several mebibytes
  notUtf8,          // bytes that are not UTF-8 inside the strings
  illTyped,         // the expected keys, each value of another type
};

/// What the platform does with one order, chosen by the order itself: by the "sandbox_scenario"
/// key of the verify body (one or more names, comma-separated) or else by a name at the start
/// of the "moid" ("no-uapp-123"). The names are listed in sandbox/README.md.
struct Scenario {
  bool verifyFails = false;       // "verify-failed": msg.heading "Failed!"
  bool otpVerified = false;       // "otp-verified": "otp_verified" true
  bool merchantVerified = false;  // "merchant-verified": "merchant_user_verified" true
  bool withoutApps = false;       // "no-uapp"
  bool withoutLink = false;       // "no-ulink"
  bool withoutQrCode = false;     // "no-qr"
  bool neverPays = false;         // "never-pays": capture stays PENDING even after a payment
  bool chatty = false;            // "chatty": more secrets and phone numbers in the answers
  int paidAfterPolls = 0;         // "paid" (1) or "paid-after-N": PAID at the Nth capture
  Fault fault = Fault::none;
  std::optional<Endpoint> faultEndpoint;  // the fault's only endpoint; every API one if absent

  /// The fault for one endpoint, `Fault::none` when it is aimed elsewhere (the hosted page is
  /// spoiled only when named).
  Fault faultAt(Endpoint endpoint) const;

  /// Comma-separated names; nothing, with the offending name in `unknown`, for a name that is
  /// not a scenario.
  static std::optional<Scenario> parseList(std::string_view names, std::string* unknown);
  /// The longest scenario name that starts `moid` and ends at its end or before a character
  /// that is not a letter or digit; the default scenario when none does.
  static Scenario fromMoid(std::string_view moid);
  /// Every fixed name the sandbox knows; "paid-after-N" comes on top of them.
  static std::vector<std::string> names();
};

}  // namespace tarvel::sandbox
