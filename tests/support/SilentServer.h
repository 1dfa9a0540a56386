#pragma once

#include <string>  // string

#include <arpa/inet.h>   // htonl, ntohs
#include <netinet/in.h>  // sockaddr_in, INADDR_LOOPBACK
#include <sys/socket.h>  // socket, bind, listen, getsockname
#include <unistd.h>      // close

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
  SilentServer() : socket_(bindLoopback(port_)) {
    if (socket_ >= 0 && ::listen(socket_, 64) != 0) {
      ::close(socket_);
      socket_ = -1;
    }
  }
  ~SilentServer() {
    if (socket_ >= 0) ::close(socket_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  bool isListening() const { return socket_ >= 0; }
  /// "http://127.0.0.1:<port>/".
  std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

  /// "http://127.0.0.1:<port>/" for a port that was just free and is closed again.
  static std::string closedPortUrl() {
    int port = -1;
    int fd = bindLoopback(port);
    if (fd >= 0) ::close(fd);  // bound but never listening: connections are refused
    return "http://127.0.0.1:" + std::to_string(port) + "/";
  }

 private:
  // Binds a TCP socket to 127.0.0.1 on a free port; returns the socket (or -1) and the port.
  static int bindLoopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd >= 0 && (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)) {
      ::close(fd);
      return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
  }

  int port_ = -1;  // before socket_: the constructor fills both at once
  int socket_ = -1;
};

}  // namespace tarvel::test
