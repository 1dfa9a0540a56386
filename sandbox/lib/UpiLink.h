#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::sandbox {

/// A UPI payment request: what "upi://pay?pa=...&pn=...&am=...&tr=...&cu=INR" says, and what
/// an app's deep link ("phonepe://upi/pay?...") hands to the app.
class UpiLink {
 public:
  std::string scheme = "upi";    // "upi" for the plain link, the app's scheme for a deep link
  std::string payeeAddress;      // pa
  std::string payeeName;         // pn
  std::string amount;            // am, e.g. "499.00"
  std::string reference;         // tr: the platform's order identifier
  std::string currency = "INR";  // cu

  /// "upi://pay?pa=...&pn=...&am=...&tr=...&cu=..." with every value percent-encoded
  /// (everything but letters, digits and "-._~").
  std::string toString() const;

  /// Reads "upi://pay?..." or "<app>://upi/pay?...". Values are percent-decoded exactly once,
  /// as a real app does: a link escaped twice reads "pa=shop%40upi", which names no payee.
  /// Nothing when the text is not a pay link or has no "tr".
  static std::optional<UpiLink> parse(std::string_view link);

  static std::string percentEncode(std::string_view text);
  /// Nothing when an escape is malformed.
  static std::optional<std::string> percentDecode(std::string_view text);
};

}  // namespace tarvel::sandbox
