#pragma once

#include <cstddef>  // size_t
#include <deque>    // deque
#include <mutex>    // mutex

#include <nlohmann/json.hpp>

namespace tarvel::sandbox {

/// The analytics events received, oldest first, at most `capacity` of them (the oldest goes
/// first). Thread-safe.
class EventLog {
 public:
  explicit EventLog(std::size_t capacity);

  /// Stores one event; returns how many events are now held.
  std::size_t add(nlohmann::json event);
  /// A JSON array of the events held.
  nlohmann::json all() const;
  void clear();
  std::size_t size() const;

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::deque<nlohmann::json> events_;
};

}  // namespace tarvel::sandbox
