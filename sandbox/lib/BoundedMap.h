#pragma once

#include <cstddef>        // size_t
#include <list>           // list
#include <optional>       // optional
#include <unordered_map>  // unordered_map
#include <utility>        // move, pair

namespace tarvel::sandbox::detail {

/// A map that keeps at most `capacity` entries: inserting a new key beyond that evicts the
/// oldest entry and hands it back. Not thread-safe; its owners lock around it.
template <class Key, class Value>
class BoundedMap {
 public:
  explicit BoundedMap(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

  /// Inserts or replaces; a replaced key keeps its age. Returns the evicted entry, if any.
  std::optional<std::pair<Key, Value>> insert(const Key& key, Value value) {
    if (auto found = entries_.find(key); found != entries_.end()) {
      found->second.first = std::move(value);
      return std::nullopt;
    }
    order_.push_back(key);
    entries_.emplace(key, std::make_pair(std::move(value), std::prev(order_.end())));
    if (entries_.size() <= capacity_) return std::nullopt;
    const Key oldest = order_.front();
    auto evicted = entries_.find(oldest);
    std::pair<Key, Value> result(oldest, std::move(evicted->second.first));
    entries_.erase(evicted);
    order_.pop_front();
    return result;
  }

  Value* find(const Key& key) {
    auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : &found->second.first;
  }
  const Value* find(const Key& key) const {
    auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : &found->second.first;
  }

  void clear() {
    entries_.clear();
    order_.clear();
  }
  std::size_t size() const { return entries_.size(); }
  std::size_t capacity() const { return capacity_; }

 private:
  std::size_t capacity_;
  std::list<Key> order_;  // oldest first
  std::unordered_map<Key, std::pair<Value, typename std::list<Key>::iterator>> entries_;
};

}  // namespace tarvel::sandbox::detail
