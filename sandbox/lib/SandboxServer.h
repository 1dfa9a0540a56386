#pragma once

#include <cstddef>   // size_t
#include <memory>    // unique_ptr
#include <optional>  // optional
#include <string>    // string

#include <nlohmann/json.hpp>

#include "Order.h"
#include "SandboxOptions.h"

namespace tarvel::sandbox {

/// The local payment platform on one port of 127.0.0.1: the API under "/api/", the analytics
/// host under "/analytics/", the hosted page under "/web/" and the control endpoints under
/// "/control/". Serves on its own threads from `start()` to `stop()` (or destruction); tests
/// run it in-process on port 0. A test and demo tool, not a production server.
class SandboxServer {
 public:
  explicit SandboxServer(SandboxOptions options = {});
  ~SandboxServer();
  SandboxServer(const SandboxServer&) = delete;
  SandboxServer& operator=(const SandboxServer&) = delete;

  /// Makes the certificates (HTTPS), binds and starts serving. False, with the reason in
  /// `error()`, when any step fails. Call once. Sets SIGPIPE to be ignored if it has its
  /// default action, so that a client hanging up cannot end the process.
  bool start();
  /// Stops serving and waits for the server threads; removes a temporary state folder.
  /// Safe to call more than once.
  void stop();
  const std::string& error() const;

  int port() const;
  bool https() const;
  /// "https://127.0.0.1:<port>" (or http), without a trailing slash.
  std::string origin() const;
  /// The bases the component is pointed at; each ends with "/".
  std::string apiBaseUrl() const;
  std::string analyticsBaseUrl() const;
  std::string webBaseUrl() const;
  std::string controlBaseUrl() const;
  /// The CA certificate clients trust over HTTPS; empty over HTTP.
  std::string caFile() const;

  /// In-process views of the platform's state, the same as the control endpoints give.
  std::optional<std::string> lastOtp(const std::string& moid, const std::string& phone) const;
  std::optional<Order> order(const std::string& tarvelOid) const;
  nlohmann::json events() const;
  /// TLS handshakes completed so far: over HTTPS, one for every client connection.
  std::size_t tlsHandshakes() const;
  /// Client connections that carried at least one request so far (told apart by the client's
  /// address and port), over HTTP and HTTPS alike.
  std::size_t clientConnections() const;
  void reset();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvel::sandbox
