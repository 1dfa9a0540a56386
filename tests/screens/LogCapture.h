#pragma once

#include <algorithm>    // count
#include <mutex>        // mutex, lock_guard
#include <string>       // string
#include <string_view>  // string_view
#include <vector>       // vector

#include "tarvel/Log.h"

namespace tarvel::test {

/// Collects the component's log lines for as long as it lives.
class LogCapture {
 public:
  LogCapture() {
    setLogSink([this](std::string_view line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~LogCapture() { setLogSink({}); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

  /// Lines equal to `line`.
  long count(std::string_view line) const {
    auto all = lines();
    return std::count(all.begin(), all.end(), std::string(line));
  }

  /// Lines that contain `part`.
  long countContaining(std::string_view part) const {
    auto all = lines();
    return std::count_if(all.begin(), all.end(), [&](const std::string& line) {
      return line.find(part) != std::string::npos;
    });
  }

  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace tarvel::test
