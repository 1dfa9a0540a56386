#pragma once

#include <string>  // string

#include "tarvel/Export.h"

namespace tarvel {

/// What an analytics payload reads from the machine it runs on: the clock, the operating
/// system's version and the device's model name. Tests and hosts may fill one in by hand;
/// `current()` reads the real values.
struct TARVEL_CHECKOUT_EXPORT AnalyticsEnvironment {
  /// Seconds since 1970-01-01 00:00 UTC, with the fraction.
  double secondsSince1970 = 0;
  /// The operating system's version text, dots included (they become "_" in the user agent).
  std::string systemVersion;
  /// The device's marketing model name (`modelName()`).
  std::string modelName;

  /// The system clock now; as version, the running kernel's release as `uname()` reports it
  /// (for example "6.1.0-18-amd64", written "6_1_0-18-amd64" in the user agent); the model name
  /// from `modelName()`.
  static AnalyticsEnvironment current();
};

}  // namespace tarvel
