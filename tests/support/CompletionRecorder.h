#pragma once

#include <chrono>              // milliseconds
#include <condition_variable>  // condition_variable
#include <cstddef>             // size_t
#include <mutex>               // mutex
#include <optional>            // optional
#include <utility>             // move
#include <vector>              // vector

#include "tarvel/APICompletion.h"

namespace tarvel::test {

/// Records the calls of an `APICompletion` so a test can wait for them with a bound.
///
///   tarvel::test::CompletionRecorder recorder;
///   service.verifyOtp(params, recorder.completion());
///   ASSERT_TRUE(recorder.waitForCall());          // false after the time-out, never hangs
///   EXPECT_EQ(recorder.last().error, std::nullopt);
///   EXPECT_FALSE(recorder.waitForCalls(2, 200ms)); // "exactly once": no second call comes
///
/// The recorder must outlive every completion it hands out that may still run.
class CompletionRecorder {
 public:
  struct Call {
    bool success = false;
    std::optional<Dictionary> response;
    std::optional<APIError> error;
  };

  static constexpr std::chrono::milliseconds kDefaultWait{10000};

  /// A completion that records each call (thread-safe).
  APICompletion completion() {
    return [this](bool success, std::optional<Dictionary> response, std::optional<APIError> error) {
      // Notifying under the lock: a waiter may destroy the recorder as soon as it wakes.
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back(Call{success, std::move(response), error});
      changed_.notify_all();
    };
  }

  /// Waits until at least `count` calls arrived; false when `timeout` passed first.
  bool waitForCalls(std::size_t count, std::chrono::milliseconds timeout = kDefaultWait) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return calls_.size() >= count; });
  }
  bool waitForCall(std::chrono::milliseconds timeout = kDefaultWait) const {
    return waitForCalls(1, timeout);
  }

  std::size_t callCount() const { return calls().size(); }
  std::vector<Call> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  /// The latest call; a default `Call` when there was none.
  Call last() const {
    auto all = calls();
    return all.empty() ? Call{} : all.back();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Call> calls_;
};

}  // namespace tarvel::test
