#pragma once

#include <sys/types.h>  // pid_t

#include <chrono>    // milliseconds
#include <map>       // map
#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

namespace tarvel::sandbox::testing {

/// A program run by a test, its stdout and stderr gathered through one pipe. Every wait is
/// bounded; a child still running at destruction is killed.
class ChildProcess {
 public:
  /// Starts `argv` with the test's environment plus `environment` (which overrides).
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::map<std::string, std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  /// Reads until a whole line starting with `prefix` has arrived; nothing on time-out or when
  /// the output ends first.
  std::optional<std::string> waitForLine(const std::string& prefix,
                                         std::chrono::milliseconds timeout);
  void sendSignal(int signal);
  /// The exit code (or 128 + signal number), or nothing when it is still running at the end.
  std::optional<int> waitForExit(std::chrono::milliseconds timeout);
  /// All output read so far.
  const std::string& output() const { return output_; }

  /// Runs to the end (killed after `timeout`) and returns the exit code and output.
  struct Result {
    std::optional<int> exitCode;
    std::string output;
  };
  static Result run(const std::vector<std::string>& argv,
                    const std::map<std::string, std::string>& environment,
                    std::chrono::milliseconds timeout);

 private:
  /// Reads what is available, waiting at most `wait`; false once the pipe is closed.
  bool readSome(std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int outputFd_ = -1;
  std::optional<int> exitCode_;
  std::string output_;
};

}  // namespace tarvel::sandbox::testing
