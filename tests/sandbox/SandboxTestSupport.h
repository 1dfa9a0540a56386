#pragma once

#include <chrono>      // milliseconds, seconds, steady_clock
#include <filesystem>  // path
#include <fstream>     // ifstream
#include <functional>  // function
#include <iterator>    // istreambuf_iterator
#include <map>         // map
#include <memory>      // unique_ptr
#include <mutex>       // mutex
#include <optional>    // optional
#include <string>      // string
#include <thread>      // sleep_for
#include <vector>      // vector

#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>  // mkostemp
#include <sys/wait.h>
#include <unistd.h>

#include "SandboxServer.h"

extern char** environ;

namespace tarvel::sandbox::testing {

/// The longest any test waits for a process, a file or the sandbox.
constexpr auto kWait = std::chrono::seconds(60);

/// Polls `condition` until it holds (true) or `timeout` passes (false); for states that no
/// event announces to the test (files, other processes).
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout = kWait) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

/// Expects each JSON pointer of `expected` to hold its value in `found`: "<absent>" for
/// nothing there, "<present>" for anything, "<string>" for any string.
inline void expectShape(const nlohmann::json& found, const nlohmann::json& expected) {
  for (const auto& [where, value] : expected.items()) {
    const nlohmann::json::json_pointer pointer(where);
    const nlohmann::json at = found.contains(pointer) ? found.at(pointer) : "<absent>";
    if (value == "<present>" || value == "<string>") {
      EXPECT_NE(at, "<absent>") << where << " in " << found.dump();
      EXPECT_TRUE(value != "<string>" || at.is_string()) << where << " in " << found.dump();
    } else {
      EXPECT_EQ(at, value) << where << " in " << found.dump();
    }
  }
}

/// `text` with every `from` in it replaced by `to`.
inline std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

/// `text` as JSON, each "$name" in it replaced by vars.at(name) first.
inline nlohmann::json parseWith(std::string text,
                                const std::map<std::string, std::string>& vars = {}) {
  for (const auto& [name, value] : vars) text = replaceAll(text, "$" + name, value);
  return nlohmann::json::parse(text);
}

/// One answer: the status (0 when none arrived), the raw body and the body parsed as JSON
/// (discarded if not JSON).
struct Answer {
  int status = 0;
  std::string raw;
  nlohmann::json json;
};

/// A SandboxServer on 127.0.0.1, port 0, plain HTTP unless `adjust` says otherwise, that keeps
/// the console lines it prints, with a client for its endpoints.
class RunningSandbox {
 public:
  explicit RunningSandbox(const std::function<void(SandboxOptions&)>& adjust = {}) {
    SandboxOptions options;
    options.https = false;
    if (adjust) adjust(options);
    options.console = [this](std::string_view line) {
      std::lock_guard lock(linesMutex_);
      lines_.emplace_back(line);
    };
    server_ = std::make_unique<SandboxServer>(std::move(options));
    if (!server_->start()) ADD_FAILURE() << "sandbox did not start: " << server_->error();
  }
  ~RunningSandbox() { server_->stop(); }

  SandboxServer& server() { return *server_; }
  std::vector<std::string> consoleLines() const {
    std::lock_guard lock(linesMutex_);
    return lines_;
  }

  /// Requests on the server's origin; paths start with "/".
  Answer post(const std::string& path, const nlohmann::json& body) const {
    return postRaw(path, body.dump());
  }
  Answer postRaw(const std::string& path, const std::string& body) const {
    return toAnswer(client()->Post(path, body, "application/json"));
  }
  Answer get(const std::string& path) const { return toAnswer(client()->Get(path)); }

  /// Verifies an order with these fields and returns the answer's "data".
  nlohmann::json verify(const nlohmann::json& order) const {
    const auto answer = post("/api/v1/order/verify", order);
    EXPECT_EQ(answer.status, 200) << answer.raw;
    if (!answer.json.is_object() || !answer.json.contains("data")) return {};
    return answer.json["data"];
  }
  /// One capture poll for a verified order's data.
  Answer capture(const nlohmann::json& verified) const {
    return post("/api/v1/payment/capture", {{"tarvel_oid", verified.value("tarvel_oid", "")},
                                            {"auth_token", verified.value("auth_token", "")}});
  }

 private:
  static Answer toAnswer(const httplib::Result& result) {
    if (!result) return {};
    return {result->status, result->body, nlohmann::json::parse(result->body, nullptr, false)};
  }
  std::unique_ptr<httplib::Client> client() const {
    auto client = std::make_unique<httplib::Client>(server_->origin());
    if (server_->https()) client->set_ca_cert_path(server_->caFile().c_str());
    client->set_connection_timeout(5);
    client->set_read_timeout(10);
    return client;
  }

  mutable std::mutex linesMutex_;
  std::vector<std::string> lines_;
  std::unique_ptr<SandboxServer> server_;  // stopped first: its console writes to lines_
};

/// A program run by a test with the test's environment plus `environment`, its stdout and
/// stderr gathered in an unlinked file. Every wait is bounded; a child still running at
/// destruction is killed.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::map<std::string, std::string>& environment = {}) {
    // env(1) puts the overrides on top of the inherited environment, then runs the program.
    std::vector<std::string> command = {"/usr/bin/env"};
    for (const auto& [name, value] : environment) command.push_back(name + "=" + value);
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> pointers;
    for (auto& text : command) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    char path[] = "/tmp/tarvel-child-output-XXXXXX";
    if ((outputFd_ = mkostemp(path, O_CLOEXEC)) < 0) return;
    unlink(path);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputFd_, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFd_, STDERR_FILENO);
    if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ChildProcess() {
    sendSignal(SIGKILL);
    if (pid_ > 0 && !exitCode_) waitpid(pid_, nullptr, 0);
    if (outputFd_ >= 0) close(outputFd_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// All output so far.
  const std::string& output() {
    char buffer[4096];
    ssize_t count = 0;
    while (outputFd_ >= 0 &&
           (count = pread(outputFd_, buffer, sizeof buffer, off_t(output_.size()))) > 0) {
      output_.append(buffer, std::size_t(count));
    }
    return output_;
  }
  void sendSignal(int signal) {
    if (pid_ > 0 && !exitCode_) kill(pid_, signal);
  }
  /// The exit code (or 128 + signal number), or nothing when it is still running at the end.
  std::optional<int> waitForExit() {
    waitUntil([&] {
      int status = 0;
      if (pid_ > 0 && !exitCode_ && waitpid(pid_, &status, WNOHANG) == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      return pid_ <= 0 || exitCode_;
    });
    output();
    return exitCode_;
  }

  /// Runs to the end (killed after kWait): the exit code and the output.
  static std::pair<std::optional<int>, std::string> run(
      const std::vector<std::string>& argv,
      const std::map<std::string, std::string>& environment = {}) {
    ChildProcess child(argv, environment);
    const auto exitCode = child.waitForExit();
    return {exitCode, child.output()};
  }

 private:
  pid_t pid_ = -1;
  int outputFd_ = -1;
  std::optional<int> exitCode_;
  std::string output_;
};

}  // namespace tarvel::sandbox::testing
