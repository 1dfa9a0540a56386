#pragma once

#include <cstdint>      // uint32_t
#include <functional>   // function
#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::detail {

/// An interface's flags (IFF_UP, IFF_LOOPBACK, ...) by name; nothing when unknown.
using InterfaceFlags = std::function<std::optional<uint32_t>(std::string_view name)>;

/// Reachability flags from the kernel's routing tables, in the text of /proc/net/route and
/// /proc/net/ipv6_route (either may be absent). A default route (destination and mask or prefix
/// all zero) that is up, not a reject route, and leaves through an interface that is up and not
/// the loopback makes the network reachable (`InternetConnectionManager::kReachable`). Nothing
/// when neither table could be read.
std::optional<uint32_t> reachabilityFromRoutes(const std::optional<std::string>& ipv4Table,
                                               const std::optional<std::string>& ipv6Table,
                                               const InterfaceFlags& interfaceFlags);

/// The live answer: reads the tables from /proc and interface flags from /sys/class/net.
std::optional<uint32_t> systemReachability();

}  // namespace tarvel::detail
