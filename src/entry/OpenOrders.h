#pragma once

#include <string>  // string

namespace tarvel::detail {

/// The orders ("moid") whose checkout is open in this process, whichever entry object opened
/// them: a second `openCart` for one of them (a double click on Pay) is refused instead of
/// stacking a second screen that polls and reports the same payment again. Thread-safe.
class OpenOrders {
 public:
  /// Marks `moid` open; false when it is open already.
  static bool claim(const std::string& moid);
  /// Marks `moid` closed again.
  static void release(const std::string& moid);
};

}  // namespace tarvel::detail
