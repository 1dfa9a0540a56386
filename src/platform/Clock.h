#pragma once

#include <chrono>      // milliseconds
#include <cstdint>     // uint64_t
#include <functional>  // function

namespace tarvel::detail {

/// The source of delayed and repeating callbacks on the main thread. The default runs on
/// QTimer; tests install a manual clock (`MainQueue::setClock`) so that time passes only when
/// they say so. `schedule` and `cancel` are called on the main thread only.
class Clock {
 public:
  using TimerId = std::uint64_t;

  virtual ~Clock() = default;

  /// Calls `callback` on the main thread once after `delay`, or every `delay` when
  /// `repeating`, until cancelled.
  virtual TimerId schedule(std::chrono::milliseconds delay, bool repeating,
                           std::function<void()> callback) = 0;
  /// Stops a scheduled callback; unknown or finished ids are ignored.
  virtual void cancel(TimerId id) = 0;
};

}  // namespace tarvel::detail
