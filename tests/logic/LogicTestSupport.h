#pragma once

#include <gtest/gtest.h>

#include <chrono>              // milliseconds
#include <condition_variable>  // condition_variable
#include <cstddef>             // size_t
#include <cstdint>             // uint32_t
#include <mutex>               // mutex, lock_guard, unique_lock
#include <optional>            // optional
#include <string>              // string
#include <utility>             // move
#include <vector>              // vector

#include "tarvel/InternetConnectionManager.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel::test {

/// A service that records every call with its parameters and completion and sends nothing;
/// the test completes a call when it likes, from any thread. Completing takes the completion
/// out of the record, so whatever it captured is released once it has run.
class FakeAPIService final : public VXAPIServiceProtocol {
 public:
  struct Call {
    std::string operation;
    Dictionary params;
  };

  void verifyPaymentData(const Dictionary& userData, APICompletion complete) override {
    record("verifyPaymentData", userData, std::move(complete));
  }
  void checkPaymentStatus(const Dictionary& params, APICompletion complete) override {
    record("checkPaymentStatus", params, std::move(complete));
  }
  void sendOtp(const Dictionary& params, APICompletion complete) override {
    record("sendOtp", params, std::move(complete));
  }
  void reSendOtp(const Dictionary& params, APICompletion complete) override {
    record("reSendOtp", params, std::move(complete));
  }
  void verifyOtp(const Dictionary& params, APICompletion complete) override {
    record("verifyOtp", params, std::move(complete));
  }
  void completeOrder(const Dictionary& params, APICompletion complete) override {
    record("completeOrder", params, std::move(complete));
  }
  void appAnalytics(const Dictionary& params, APICompletion complete) override {
    record("appAnalytics", params, std::move(complete));
  }

  std::size_t callCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_.size();
  }

  Call call(std::size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= calls_.size()) {
      ADD_FAILURE() << "no call " << index;
      return {};
    }
    return calls_[index].call;
  }

  Call lastCall() const { return call(callCount() - 1); }

  /// Runs the completion of call `index` on the calling thread with (true, response, error).
  void complete(std::size_t index, const std::optional<Dictionary>& response,
                std::optional<APIError> error = std::nullopt) {
    APICompletion completion;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (index >= calls_.size() || !calls_[index].complete) {
        ADD_FAILURE() << "call " << index << " is unknown or already completed";
        return;
      }
      completion = std::move(calls_[index].complete);
      calls_[index].complete = nullptr;
    }
    completion(true, response, error);
  }

  void completeLast(const std::optional<Dictionary>& response,
                    std::optional<APIError> error = std::nullopt) {
    complete(callCount() - 1, response, error);
  }

  /// Drops every pending completion without running it, as a service that never answers would.
  void dropPending() {
    std::vector<APICompletion> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& entry : calls_) dropped.push_back(std::move(entry.complete));
    }
  }

 private:
  struct Entry {
    Call call;
    APICompletion complete;
  };

  void record(const char* operation, const Dictionary& params, APICompletion complete) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({{operation, params}, std::move(complete)});
  }

  mutable std::mutex mutex_;
  std::vector<Entry> calls_;
};

/// Pins the reachability answer for one test and restores the real probe afterwards.
class ScopedReachability {
 public:
  explicit ScopedReachability(bool online) {
    const std::optional<uint32_t> flags =
        online ? InternetConnectionManager::kReachable : uint32_t{0};
    InternetConnectionManager::setProbe([flags] { return flags; });
  }
  ~ScopedReachability() { InternetConnectionManager::setProbe({}); }
  ScopedReachability(const ScopedReachability&) = delete;
  ScopedReachability& operator=(const ScopedReachability&) = delete;
};

/// The order in which closures fired, as names the test chooses.
class EventLog {
 public:
  // Notifies under the lock: a waiter that returns may destroy the log at once.
  void add(std::string event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
    changed_.notify_all();
  }

  /// Waits until at least `count` events arrived; false when `timeout` passed first.
  bool waitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
  }

  std::vector<std::string> events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> events_;
};

}  // namespace tarvel::test
