#include "CompletionRecorder.h"

#include <utility>  // move

namespace tarvel::test {

APICompletion CompletionRecorder::completion() {
  return [this](bool success, std::optional<Dictionary> response, std::optional<APIError> error) {
    record(Call{success, std::move(response), error});
  };
}

void CompletionRecorder::record(Call call) {
  // Notifying under the lock: a waiter may destroy the recorder as soon as it wakes.
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.push_back(std::move(call));
  changed_.notify_all();
}

bool CompletionRecorder::waitForCalls(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return calls_.size() >= count; });
}

std::size_t CompletionRecorder::callCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_.size();
}

std::vector<CompletionRecorder::Call> CompletionRecorder::calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

CompletionRecorder::Call CompletionRecorder::last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_.empty() ? Call{} : calls_.back();
}

}  // namespace tarvel::test
