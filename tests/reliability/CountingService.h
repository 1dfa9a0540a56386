#pragma once

#include <condition_variable>  // condition_variable
#include <cstddef>             // size_t
#include <memory>              // shared_ptr
#include <mutex>               // mutex
#include <utility>             // move

#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel::test {

/// Passes every call on to a real service and counts the platform calls (analytics aside)
/// that were made and that have completed. A completion counts once the caller's own
/// completion has returned, so whatever the caller posted to the main queue is queued by then:
/// a test that waits for `issued() == completed()` and then runs the event loop sees the
/// screen after it has handled every answer.
class CountingService : public VXAPIServiceProtocol {
 public:
  explicit CountingService(std::shared_ptr<VXAPIServiceProtocol> inner)
      : inner_(std::move(inner)) {}

#define TARVEL_COUNTED_CALL(name)                                        \
  void name(const Dictionary& params, APICompletion complete) override { \
    inner_->name(params, counted(std::move(complete)));                  \
  }
  TARVEL_COUNTED_CALL(verifyPaymentData)
  TARVEL_COUNTED_CALL(checkPaymentStatus)
  TARVEL_COUNTED_CALL(sendOtp)
  TARVEL_COUNTED_CALL(reSendOtp)
  TARVEL_COUNTED_CALL(verifyOtp)
  TARVEL_COUNTED_CALL(completeOrder)
#undef TARVEL_COUNTED_CALL
  void appAnalytics(const Dictionary& params, APICompletion complete) override {
    inner_->appAnalytics(params, std::move(complete));
  }

  std::size_t issued() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->issued;
  }
  std::size_t completed() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->completed;
  }
  /// How often a call completed a second time (never, if the service keeps its promise).
  std::size_t repeatedCompletions() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->repeated;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t issued = 0;
    std::size_t completed = 0;
    std::size_t repeated = 0;
  };

  APICompletion counted(APICompletion complete) {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      ++state_->issued;
    }
    auto once = std::make_shared<bool>(false);
    return [state = state_, once, complete = std::move(complete)](
               bool success, std::optional<Dictionary> response, std::optional<APIError> error) {
      if (complete) complete(success, std::move(response), error);
      std::lock_guard<std::mutex> lock(state->mutex);
      if (*once) {
        ++state->repeated;
        return;
      }
      *once = true;
      ++state->completed;
    };
  }

  std::shared_ptr<VXAPIServiceProtocol> inner_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace tarvel::test
