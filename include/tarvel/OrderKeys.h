#pragma once

#include <string_view>  // string_view

/// The keys of the order dictionary that the host passes to `openCart`, as the component reads
/// them. A value of another type than the reader expects counts as missing.
namespace tarvel::OrderKeys {

/// Text: "upi" (UPI payment), "non-vx" (RTO tracking only) or any other text (cash on delivery).
inline constexpr std::string_view orderType = "order_type";
/// Text: the UPI application the host wants used; "customweb" selects the web checkout and the
/// empty text presents the OTP screen modally.
inline constexpr std::string_view upiApp = "upi_app";
/// The host's request identifier.
inline constexpr std::string_view requestId = "request_id";
/// The merchant's order identifier.
inline constexpr std::string_view moid = "moid";
/// Text: the merchant identifier.
inline constexpr std::string_view mid = "mid";
/// Text: the shopper's phone number, to which the OTP is sent.
inline constexpr std::string_view phone = "phone";
/// Text holding a decimal amount in rupees.
inline constexpr std::string_view total = "total";
/// Text: the platform's order identifier.
inline constexpr std::string_view tarvelOid = "tarvel_oid";

}  // namespace tarvel::OrderKeys
