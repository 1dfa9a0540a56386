#pragma once

#include <atomic>      // atomic
#include <chrono>      // nanoseconds, steady_clock
#include <filesystem>  // path
#include <memory>      // unique_ptr
#include <mutex>       // mutex
#include <optional>    // optional
#include <string>      // string
#include <vector>      // vector

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "SandboxOptions.h"
#include "SandboxServer.h"

namespace tarvel::sandbox::testing {

/// A clock that moves only when told to.
class ManualClock {
 public:
  Clock clock();
  void advance(std::chrono::nanoseconds by);

 private:
  std::shared_ptr<std::atomic<std::int64_t>> offset_ =
      std::make_shared<std::atomic<std::int64_t>>(0);
};

/// One answer: the status, the raw body and the body parsed as JSON (discarded if not JSON).
/// `status` is 0 when no answer arrived.
struct Answer {
  int status = 0;
  std::string raw;
  nlohmann::json json;
};

/// A SandboxServer on 127.0.0.1, port 0, plain HTTP unless told otherwise, that keeps the
/// console lines it prints, with a client for its endpoints.
class RunningSandbox {
 public:
  explicit RunningSandbox(SandboxOptions options = plainOptions());
  ~RunningSandbox();

  static SandboxOptions plainOptions();

  SandboxServer& server() { return *server_; }
  std::vector<std::string> consoleLines() const;

  /// Requests on the server's origin; paths start with "/".
  Answer post(const std::string& path, const nlohmann::json& body) const;
  Answer postRaw(const std::string& path, const std::string& body) const;
  Answer get(const std::string& path) const;

  /// Verifies an order with these fields and returns the answer's "data".
  nlohmann::json verify(const nlohmann::json& order) const;
  /// One capture poll for a verified order's data.
  Answer capture(const nlohmann::json& verified) const;

 private:
  std::unique_ptr<httplib::Client> client() const;

  mutable std::mutex linesMutex_;
  std::shared_ptr<std::vector<std::string>> lines_ = std::make_shared<std::vector<std::string>>();
  std::unique_ptr<SandboxServer> server_;
};

/// A fresh folder removed again with its contents.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tarvel::sandbox::testing
