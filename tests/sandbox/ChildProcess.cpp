#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>  // sleep_for

extern char** environ;

namespace tarvel::sandbox::testing {
namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text(*entry);
    const auto name = text.substr(0, text.find('='));
    if (overrides.count(name) == 0) merged.push_back(text);
  }
  for (const auto& [name, value] : overrides) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (auto& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  auto arguments = argv;
  auto environmentTexts = mergedEnvironment(environment);
  auto argumentPointers = pointers(arguments);
  auto environmentPointers = pointers(environmentTexts);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argumentPointers[0], &actions, nullptr,
                                 argumentPointers.data(), environmentPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (failed != 0) {
    close(fds[0]);
    return;
  }
  pid_ = pid;
  outputFd_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exitCode_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (outputFd_ >= 0) close(outputFd_);
}

bool ChildProcess::readSome(std::chrono::milliseconds wait) {
  if (outputFd_ < 0) return false;
  pollfd entry{outputFd_, POLLIN, 0};
  if (poll(&entry, 1, static_cast<int>(wait.count())) <= 0) return true;
  char buffer[4096];
  const ssize_t count = read(outputFd_, buffer, sizeof buffer);
  if (count <= 0) {
    close(outputFd_);
    outputFd_ = -1;
    return false;
  }
  output_.append(buffer, static_cast<std::size_t>(count));
  return true;
}

std::optional<std::string> ChildProcess::waitForLine(const std::string& prefix,
                                                     std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    std::size_t start = 0;
    for (auto end = output_.find('\n'); end != std::string::npos;
         start = end + 1, end = output_.find('\n', start)) {
      const std::string line = output_.substr(start, end - start);
      if (line.rfind(prefix, 0) == 0) return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !readSome(left)) return std::nullopt;
  }
}

void ChildProcess::sendSignal(int signal) {
  if (pid_ > 0 && !exitCode_) kill(pid_, signal);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!exitCode_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    if (!readSome(std::chrono::milliseconds(10))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // Take what the child wrote before it ended; a grandchild holding the pipe open is not
  // waited for.
  while (outputFd_ >= 0) {
    pollfd entry{outputFd_, POLLIN, 0};
    if (poll(&entry, 1, 0) <= 0 || !readSome(std::chrono::milliseconds(0))) break;
  }
  return exitCode_;
}

ChildProcess::Result ChildProcess::run(const std::vector<std::string>& argv,
                                       const std::map<std::string, std::string>& environment,
                                       std::chrono::milliseconds timeout) {
  ChildProcess child(argv, environment);
  Result result;
  result.exitCode = child.waitForExit(timeout);
  result.output = child.output();
  return result;
}

}  // namespace tarvel::sandbox::testing
