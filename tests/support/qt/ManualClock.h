#pragma once

#include <chrono>      // milliseconds
#include <cstddef>     // size_t
#include <functional>  // function
#include <map>         // map
#include <memory>      // make_shared, shared_ptr
#include <mutex>       // mutex, lock_guard, unique_lock
#include <utility>     // move

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
                   std::function<void()> callback) override {
    std::lock_guard lock(mutex_);
    auto shared = std::make_shared<std::function<void()>>(std::move(callback));
    entries_[nextId_] = Entry{now_ + delay, repeating ? delay : delay.zero(), std::move(shared)};
    return nextId_++;
  }
  void cancel(TimerId id) override {
    std::lock_guard lock(mutex_);
    entries_.erase(id);
  }

  /// Moves time forward by `duration`, calling each callback that falls due on the way, in
  /// order of due time (then of scheduling), with the clock's time set to its due time. Callbacks
  /// run unlocked, so they may schedule and cancel others.
  void advance(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    const std::chrono::milliseconds target = now_ + duration;
    for (;;) {
      // Ids grow with scheduling order, so the first earliest entry is the oldest one.
      auto next = entries_.end();
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->second.due <= target &&
            (next == entries_.end() || it->second.due < next->second.due))
          next = it;
      }
      if (next == entries_.end()) break;
      now_ = next->second.due;
      const auto callback = next->second.callback;
      if (next->second.interval.count() > 0) {
        next->second.due += next->second.interval;
      } else {
        entries_.erase(next);
      }
      lock.unlock();
      (*callback)();
      lock.lock();
    }
    now_ = target;
  }
  /// Callbacks still scheduled.
  std::size_t pendingCount() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
  }

 private:
  struct Entry {
    std::chrono::milliseconds due;
    std::chrono::milliseconds interval;  // zero for a callback that fires once
    std::shared_ptr<std::function<void()>> callback;
  };

  mutable std::mutex mutex_;
  std::chrono::milliseconds now_{0};
  TimerId nextId_ = 1;
  std::map<TimerId, Entry> entries_;
};

}  // namespace tarvel::test
