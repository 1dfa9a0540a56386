#pragma once

#include <cstddef>      // size_t
#include <mutex>        // mutex
#include <string>       // string
#include <string_view>  // string_view
#include <vector>       // vector

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
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  /// A copy of the lines logged so far, in order.
  std::vector<std::string> lines() const;
  /// All lines joined with '\n', handy for "does not contain" checks.
  std::string text() const;
  /// True when some line contains `fragment`.
  bool contains(std::string_view fragment) const;
  /// How many lines are exactly `line`.
  std::size_t count(std::string_view line) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace tarvel::test
