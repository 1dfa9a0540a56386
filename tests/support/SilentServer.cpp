#include "SilentServer.h"

#include <arpa/inet.h>   // htonl, ntohs
#include <netinet/in.h>  // sockaddr_in, INADDR_LOOPBACK
#include <sys/socket.h>  // socket, bind, listen, getsockname
#include <unistd.h>      // close

namespace tarvel::test {
namespace {

constexpr int kBacklog = 64;

// Binds a TCP socket to 127.0.0.1 on a free port; returns the socket (or -1) and the port.
int bindLoopback(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof(address);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

std::string loopbackUrl(int port) { return "http://127.0.0.1:" + std::to_string(port) + "/"; }

}  // namespace

SilentServer::SilentServer() {
  socket_ = bindLoopback(port_);
  if (socket_ >= 0 && ::listen(socket_, kBacklog) != 0) {
    ::close(socket_);
    socket_ = -1;
  }
}

SilentServer::~SilentServer() {
  if (socket_ >= 0) ::close(socket_);
}

std::string SilentServer::baseUrl() const { return loopbackUrl(port_); }

std::string SilentServer::closedPortUrl() {
  int port = -1;
  int fd = bindLoopback(port);
  if (fd >= 0) ::close(fd);  // bound but never listening: connections are refused
  return loopbackUrl(port);
}

}  // namespace tarvel::test
