#pragma once

#include <chrono>              // milliseconds
#include <condition_variable>  // condition_variable
#include <cstddef>             // size_t
#include <mutex>               // mutex
#include <optional>            // optional
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
  APICompletion completion();

  /// Waits until at least `count` calls arrived; false when `timeout` passed first.
  bool waitForCalls(std::size_t count, std::chrono::milliseconds timeout = kDefaultWait) const;
  bool waitForCall(std::chrono::milliseconds timeout = kDefaultWait) const {
    return waitForCalls(1, timeout);
  }

  std::size_t callCount() const;
  std::vector<Call> calls() const;
  /// The latest call; a default `Call` when there was none.
  Call last() const;

 private:
  void record(Call call);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Call> calls_;
};

}  // namespace tarvel::test
