#pragma once

#include <cstdint>     // uint32_t
#include <functional>  // function
#include <optional>    // optional

#include "tarvel/Export.h"

namespace tarvel {

/// Answers, before a request is sent, whether the machine can reach the network at all.
struct TARVEL_CHECKOUT_EXPORT InternetConnectionManager {
  /// Reachability flag bits, as the flag rule reads them.
  /// @{
  static constexpr uint32_t kReachable = 1u << 1;
  static constexpr uint32_t kConnectionRequired = 1u << 2;
  /// @}

  /// Asks the current probe for flags and applies `isConnected`; a probe failure reads as false.
  static bool isConnectedToNetwork();

  /// The flag rule: reachable and no connection required.
  static bool isConnected(uint32_t flags);

  /// A source of reachability flags; nothing means the platform could not answer.
  using Probe = std::function<std::optional<uint32_t>()>;

  /// Replaces the probe (tests, or hosts that know better); an empty probe restores the default,
  /// which reads the kernel's routing table: a default route on an interface that is up is
  /// reachable. Thread-safe.
  static void setProbe(Probe probe);
};

}  // namespace tarvel
