#pragma once

#include <atomic>  // atomic
#include <memory>  // shared_ptr

namespace tarvel::detail {

/// A handle on a delayed dispatch (`MainQueue::asyncAfter`); copies share the handle, and
/// `cancel` may be called from any thread.
class DispatchToken {
 public:
  DispatchToken();
  void cancel() const;
  bool isCancelled() const;

 private:
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

}  // namespace tarvel::detail
