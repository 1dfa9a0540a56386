#pragma once

#include <chrono>      // milliseconds
#include <functional>  // function
#include <memory>      // shared_ptr

#include "platform/Clock.h"

namespace tarvel::detail {

/// A repeating main-thread timer on the installed clock (`MainQueue::clock`), like a run-loop
/// timer: it fires every `interval` from `start()` until `invalidate()` or destruction. Use on
/// the main thread.
class RepeatingTimer {
 public:
  RepeatingTimer(std::chrono::milliseconds interval, std::function<void()> tick);
  ~RepeatingTimer();
  RepeatingTimer(const RepeatingTimer&) = delete;
  RepeatingTimer& operator=(const RepeatingTimer&) = delete;

  /// Starts (or restarts) the timer; the first tick comes one interval from now.
  void start();
  void invalidate();
  bool isValid() const;

 private:
  std::chrono::milliseconds interval_;
  std::shared_ptr<std::function<void()>> tick_;
  std::shared_ptr<Clock> clock_;
  Clock::TimerId id_ = 0;
};

}  // namespace tarvel::detail
