#pragma once

#include <algorithm>    // count, any_of
#include <cstddef>      // size_t
#include <mutex>        // mutex
#include <string>       // string
#include <string_view>  // string_view
#include <vector>       // vector

#include "tarvel/Log.h"

namespace tarvel::test {

/// Collects every line the component logs while it is alive.
///
///   tarvel::test::LogCapture log;           // installs itself as the log sink
///   service.sendOtp(params, recorder.completion());
///   recorder.waitForCall();
///   EXPECT_TRUE(log.contains("+++RESPONSE+++"));
///
/// The destructor restores the default sink (stderr). Only one capture should be alive at a
/// time; lines may arrive from any thread.
class LogCapture {
 public:
  LogCapture() {
    setLogSink([this](std::string_view line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~LogCapture() { setLogSink(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  /// A copy of the lines logged so far, in order.
  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  /// All lines joined with '\n', handy for "does not contain" checks.
  std::string text() const {
    std::string joined;
    for (const auto& line : lines()) joined += line + '\n';
    return joined;
  }
  /// True when some line contains `fragment`.
  bool contains(std::string_view fragment) const {
    auto all = lines();
    return std::any_of(all.begin(), all.end(),
                       [&](const std::string& line) { return line.find(fragment) != line.npos; });
  }
  /// How many lines are exactly `line`.
  std::size_t count(std::string_view line) const {
    auto all = lines();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), line));
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
