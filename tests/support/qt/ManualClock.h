#pragma once

#include <chrono>      // milliseconds
#include <cstddef>     // size_t
#include <functional>  // function
#include <map>         // map
#include <memory>      // shared_ptr
#include <mutex>       // mutex

#include "platform/Clock.h"

namespace tarvel::test {

/// A clock whose time moves only through `advance`, firing due callbacks in order. Install it
/// for a test with `detail::MainQueue::setClock`, so a 24-poll flow runs in milliseconds:
///
///   auto clock = std::make_shared<test::ManualClock>();
///   detail::MainQueue::setClock(clock);
///   clock->advance(std::chrono::seconds(5));   // one tick of a 5-second timer
///   detail::MainQueue::setClock(nullptr);
class ManualClock : public detail::Clock {
 public:
  TimerId schedule(std::chrono::milliseconds delay, bool repeating,
                   std::function<void()> callback) override;
  void cancel(TimerId id) override;

  /// Moves time forward by `duration`, calling each callback that falls due on the way, in
  /// order of due time (then of scheduling), with `now()` set to its due time. Callbacks may
  /// schedule and cancel others.
  void advance(std::chrono::milliseconds duration);
  /// Time passed since the clock was made.
  std::chrono::milliseconds now() const;
  /// Callbacks still scheduled.
  std::size_t pendingCount() const;

 private:
  struct Entry {
    std::chrono::milliseconds due;
    std::chrono::milliseconds interval;
    bool repeating;
    std::shared_ptr<std::function<void()>> callback;
  };

  mutable std::mutex mutex_;
  std::chrono::milliseconds now_{0};
  TimerId nextId_ = 1;
  std::map<TimerId, Entry> entries_;
};

}  // namespace tarvel::test
