#pragma once

#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// The key probed and stored for a UPI app key of the verify answer: "tez" is "gpay", "upi" is
/// "bhim", any other key stays as it is.
std::string probedUpiAppKey(std::string_view key);

/// The address that asks whether an app handles `key`'s scheme: `key` + "://app".
std::string upiProbeAddress(std::string_view key);

/// `text` with every byte outside the URL-query set (letters, digits and
/// "!$&'()*+,-./:;=?@_~") written as "%" and two upper-case hexadecimal digits: the scheme
/// separator, slashes, "?", "&" and "=" stay, while spaces, "%" and non-ASCII bytes (each UTF-8
/// byte) are encoded.
std::string addingPercentEncodingForQuery(std::string_view text);

}  // namespace tarvel::detail
