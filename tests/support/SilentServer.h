#pragma once

#include <string>  // string

namespace tarvel::test {

/// A TCP port on 127.0.0.1 that accepts connections (the kernel completes the handshake) but
/// never reads or answers: a server that hangs. Clients see their request time out.
///
///   tarvel::test::SilentServer silent;
///   loader with a short time-out -> load(silent.baseUrl() + "x") completes with a failure.
///
/// Also `closedPortUrl()`: the URL of a port nothing listens on (connection refused).
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  bool isListening() const { return socket_ >= 0; }
  int port() const { return port_; }
  /// "http://127.0.0.1:<port>/".
  std::string baseUrl() const;

  /// "http://127.0.0.1:<port>/" for a port that was just free and is closed again.
  static std::string closedPortUrl();

 private:
  int socket_ = -1;
  int port_ = -1;
};

}  // namespace tarvel::test
