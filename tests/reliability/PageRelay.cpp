#include "PageRelay.h"

#include <thread>  // thread

#include <arpa/inet.h>   // htonl, htons, ntohs
#include <netinet/in.h>  // sockaddr_in
#include <poll.h>        // poll
#include <sys/socket.h>  // socket, bind, listen, accept, connect, setsockopt
#include <unistd.h>      // read, write, close

namespace tarvel::test {
namespace {

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

bool copyOnce(int from, int to) {
  char buffer[16384];
  const ssize_t n = read(from, buffer, sizeof buffer);
  if (n <= 0) return false;
  for (ssize_t sent = 0; sent < n;) {
    const ssize_t w = write(to, buffer + sent, static_cast<size_t>(n - sent));
    if (w <= 0) return false;
    sent += w;
  }
  return true;
}

// Copies both ways until either side closes or fails, then closes both; a side that failed is
// closed with a reset, so a reset or refused platform looks the same through the relay.
void relay(int client, int targetPort) {
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in target = loopback(targetPort);
  bool clean = server >= 0 &&
               connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
  while (clean) {
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (poll(fds, 2, 120000) <= 0) break;
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !copyOnce(client, server)) break;
    if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !copyOnce(server, client)) {
      clean = false;
      break;
    }
  }
  if (!clean) {
    const linger reset{1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  }
  if (server >= 0) close(server);
  close(client);
}

}  // namespace

PageRelay::PageRelay() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  if (listener_ < 0 ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  // Lives as long as the test process, like the relay itself.
  std::thread([this] { acceptConnections(); }).detach();
}

void PageRelay::acceptConnections() {
  for (;;) {
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    std::thread(relay, client, targetPort_.load()).detach();
  }
}

}  // namespace tarvel::test
