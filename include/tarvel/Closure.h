#pragma once

#include <functional>  // function
#include <memory>      // shared_ptr
#include <mutex>       // mutex, lock_guard
#include <utility>     // forward

namespace tarvel {

/// Declared for `Closure<void(Args...)>`, the only form: a closure returns nothing.
template <typename Signature>
class Closure;

/// An optional callback that may be assigned from one thread while another fires it.
///
/// The view models expose their reporting closures as `Closure` members, so a host or a screen
/// writes `vm->onSuccess = [] { ... };` at any time. Firing takes a snapshot under the lock and
/// calls it after unlocking, so a callback may reassign the closure or call back into its owner.
template <typename... Args>
class Closure<void(Args...)> {
 public:
  /// The callable a closure holds.
  using Function = std::function<void(Args...)>;

  /// An empty closure: firing it does nothing.
  Closure() = default;
  Closure(const Closure&) = delete;
  Closure& operator=(const Closure&) = delete;

  /// Installs `function` (anything a `Function` can be made from), replacing the previous one;
  /// a call already running keeps the callable it started with.
  template <typename F>
  Closure& operator=(F&& function) {
    auto next = std::make_shared<const Function>(std::forward<F>(function));
    std::lock_guard<std::mutex> lock(mutex_);
    function_ = std::move(next);
    return *this;
  }

  /// Removes the installed callable.
  Closure& operator=(std::nullptr_t) {
    std::lock_guard<std::mutex> lock(mutex_);
    function_.reset();
    return *this;
  }

  /// True when a callable is installed.
  explicit operator bool() const {
    auto function = snapshot();
    return function && *function;
  }

  /// Calls the installed callable, if any, on the calling thread.
  void operator()(Args... args) const {
    if (auto function = snapshot(); function && *function) (*function)(args...);
  }

 private:
  std::shared_ptr<const Function> snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return function_;
  }

  mutable std::mutex mutex_;
  std::shared_ptr<const Function> function_;
};

}  // namespace tarvel
