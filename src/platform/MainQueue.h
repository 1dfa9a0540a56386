#pragma once

#include <atomic>      // atomic
#include <chrono>      // milliseconds
#include <cstdint>     // uint64_t
#include <functional>  // function
#include <map>         // map
#include <memory>      // shared_ptr
#include <mutex>       // mutex

namespace tarvel {

/// The source of delayed and repeating callbacks on the main thread. The default runs on
/// QTimer; tests install a `ManualClock` so that time passes only when they say so.
/// `schedule` and `cancel` are called on the main thread only.
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

/// A clock whose time moves only through `advance`, firing due callbacks in order.
class ManualClock : public Clock {
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

/// A handle on a delayed dispatch; `cancel` may be called from any thread.
class DispatchToken {
 public:
  DispatchToken();
  void cancel() const;
  bool isCancelled() const;

 private:
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

/// Dispatch to the Qt main thread's event loop.
struct MainQueue {
  /// Runs `work` on the main thread in a later turn of its event loop. Safe from any thread;
  /// without a Qt application object the work is dropped and logged.
  static void async(std::function<void()> work);

  /// Runs `work` on the main thread after `delay`, measured by the installed clock. Safe from
  /// any thread.
  static DispatchToken asyncAfter(std::chrono::milliseconds delay, std::function<void()> work);

  /// Installs the process-wide clock; nullptr restores the QTimer clock. Timers already
  /// scheduled stay on the clock they were scheduled on.
  static void setClock(std::shared_ptr<Clock> clock);
  static std::shared_ptr<Clock> clock();

  /// True on the thread of the Qt application object.
  static bool isMainThread();
};

/// A repeating main-thread timer on the installed clock, like a run-loop timer: it fires every
/// `interval` from `start()` until `invalidate()` or destruction. Use on the main thread.
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

}  // namespace tarvel
