#pragma once

#include <mutex>     // mutex, lock_guard
#include <optional>  // optional
#include <string>    // string
#include <utility>   // forward

#include "tarvel/Closure.h"

namespace tarvel::detail {

/// How a view model changes and reads its observed fields, all guarded by its one mutex: an
/// assignment stores under the lock, then fires the field's closure after unlocking, on the
/// assigning thread, so the closure may read state back or start another call. Also the one
/// offline guard of every call that needs the network.
///
///   state().assign(isLoading_, true, updateLoadingStatus);
///   if (!state().requireNetwork(alertMessage_, showAlertClosure)) return;
class LockedState {
 public:
  explicit LockedState(std::mutex& mutex) : mutex_(mutex) {}

  /// Stores `value` in `field`, then calls `observer` with `arguments` (it fires on every
  /// assignment, also of an unchanged value).
  template <typename Field, typename Value, typename... Parameters, typename... Arguments>
  void assign(Field& field, Value&& value, const Closure<void(Parameters...)>& observer,
              Arguments&&... arguments) const {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      field = std::forward<Value>(value);
    }
    observer(std::forward<Arguments>(arguments)...);
  }

  /// A copy of `field`, taken under the lock.
  template <typename Field>
  Field read(const Field& field) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return field;
  }

  /// True when the network is reachable. Otherwise nothing may be sent: sets `alertMessage`
  /// to "No Network", fires `showAlertClosure` and returns false.
  bool requireNetwork(std::optional<std::string>& alertMessage,
                      const Closure<void()>& showAlertClosure) const;

 private:
  std::mutex& mutex_;
};

}  // namespace tarvel::detail
