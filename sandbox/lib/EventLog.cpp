#include "EventLog.h"

#include <utility>  // move

namespace tarvel::sandbox {

EventLog::EventLog(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

std::size_t EventLog::add(nlohmann::json event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
  while (events_.size() > capacity_) events_.pop_front();
  return events_.size();
}

nlohmann::json EventLog::all() const {
  std::lock_guard lock(mutex_);
  auto array = nlohmann::json::array();
  for (const auto& event : events_) array.push_back(event);
  return array;
}

void EventLog::clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

std::size_t EventLog::size() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

}  // namespace tarvel::sandbox
