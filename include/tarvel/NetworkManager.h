#pragma once

#include "tarvel/Environment.h"
#include "tarvel/Export.h"

namespace tarvel {

/// The process-wide environment switch. It starts as staging; the entry object and every
/// screen write it from their production flag, and the last writer wins for all later requests.
/// Reads and writes are atomic, so concurrent first use is safe.
struct TARVEL_CHECKOUT_EXPORT NetworkManager {
  /// The environment requests go to now.
  static Environment environment();
  /// Sets the environment for all later requests.
  static void setEnvironment(Environment environment);
};

}  // namespace tarvel
