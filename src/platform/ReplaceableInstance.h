#pragma once

#include <functional>  // function
#include <memory>      // shared_ptr
#include <mutex>       // mutex, lock_guard
#include <utility>     // move

namespace tarvel::detail {

/// A process-wide object behind a seam: the default is made on first use, a test or a host may
/// install its own, and installing nothing brings the default back. Thread-safe.
template <typename T>
class ReplaceableInstance {
 public:
  explicit ReplaceableInstance(std::function<std::shared_ptr<T>()> makeDefault)
      : makeDefault_(std::move(makeDefault)) {}

  std::shared_ptr<T> get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!instance_) instance_ = makeDefault_();
    return instance_;
  }

  void set(std::shared_ptr<T> instance) {
    std::lock_guard<std::mutex> lock(mutex_);
    instance_ = std::move(instance);
  }

 private:
  std::mutex mutex_;
  std::function<std::shared_ptr<T>()> makeDefault_;
  std::shared_ptr<T> instance_;
};

}  // namespace tarvel::detail
