#pragma once

#include <cstddef>      // size_t
#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// The key probed and stored for a UPI app key of the verify answer: "tez" is "gpay", "upi" is
/// "bhim", any other key stays as it is.
std::string probedUpiAppKey(std::string_view key);

/// The longest app key accepted.
inline constexpr std::size_t kMaxUpiAppKeyLength = 32;

/// Whether a key (as `probedUpiAppKey` gives it) can name an app: 1 to 32 lower-case letters
/// and digits. Anything else would put the platform's or the order's text into the scheme of
/// the address that is opened ("https://...", "phonepe://upi/pay?pa=someone@upi&x=").
bool isValidUpiAppKey(std::string_view key);

/// The address that asks whether an app handles `key`'s scheme: `key` + "://app".
std::string upiProbeAddress(std::string_view key);

/// `text` with every byte outside the URL-query set (letters, digits and
/// "!$&'()*+,-./:;=?@_~") written as "%" and two upper-case hexadecimal digits, except the
/// escapes already there: the scheme separator, slashes, "?", "&", "=" and a valid "%XX" stay,
/// while spaces, a "%" that starts no escape and non-ASCII bytes (each UTF-8 byte) are
/// encoded. A raw link ("pa=shop@upi&pn=Shop Name") and an encoded one ("pa=shop%40upi") both
/// come out so that an app that decodes once reads the platform's values; encoding twice
/// changes nothing.
std::string addingPercentEncodingForQuery(std::string_view text);

}  // namespace tarvel::detail
