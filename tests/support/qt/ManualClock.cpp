#include "ManualClock.h"

#include <utility>  // move

namespace tarvel::test {

ManualClock::TimerId ManualClock::schedule(std::chrono::milliseconds delay, bool repeating,
                                           std::function<void()> callback) {
  std::lock_guard<std::mutex> lock(mutex_);
  const TimerId id = nextId_++;
  entries_[id] = Entry{now_ + delay, delay, repeating,
                       std::make_shared<std::function<void()>>(std::move(callback))};
  return id;
}

void ManualClock::cancel(TimerId id) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.erase(id);
}

// Callbacks run unlocked, so they may schedule and cancel.
void ManualClock::advance(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::chrono::milliseconds target = now_ + duration;
  for (;;) {
    // Ids grow with scheduling order, so the first earliest entry is the oldest one.
    auto next = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->second.due <= target &&
          (next == entries_.end() || it->second.due < next->second.due)) {
        next = it;
      }
    }
    if (next == entries_.end()) break;
    now_ = next->second.due;
    auto callback = next->second.callback;
    if (next->second.repeating && next->second.interval.count() > 0) {
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

std::chrono::milliseconds ManualClock::now() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

std::size_t ManualClock::pendingCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace tarvel::test
