#pragma once

#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// Whether the value under `key` is a secret, in any case: the key contains "token", "secret"
/// or "password", or one of its word parts (split at "_", "-", ".", spaces, digits and
/// camelCase) begins or ends with "otp", "pin", "cvv" or "card". So "Auth_Token", "otp_code",
/// "mpin", "upiPin", "pincode" and "cardNumber" are secrets, while "shipping" or "spinner"
/// (where "pin" is inside a word) are not.
bool isSecretKey(std::string_view key);

/// Whether `key` names a phone number: it contains "phone", "mobile" or "msisdn", in any case.
bool isPhoneKey(std::string_view key);

/// `text` with every run of 10 or more digits (single spaces, "-", ".", "(" or ")" may
/// separate them, a "+" may lead) masked to its last four digits: "+91 98765 43210" becomes
/// "+** ***** *3210".
std::string maskPhoneNumbers(std::string_view text);

/// Remembers an order's phone number (10 or more digits) for `redactLogLine`, which masks it
/// wherever it appears. The most recent few are kept. Thread-safe.
void rememberPhoneNumber(std::string_view phone);

/// A line as it may reach the log: every remembered phone number masked to its last four
/// digits, and a code of 4 to 8 digits next to the word "OTP" (as in "Your OTP is 4821")
/// replaced by "<redacted>". Thread-safe.
std::string redactLogLine(std::string_view line);

}  // namespace tarvel::detail
