// The fault-injection tests' process: Qt WebEngine's context sharing, the reachability answer
// pinned to online (the faults come from the platform, not from the machine's routes), and the
// staging checkout page base pointed at a loopback relay to the sandbox of the flow under test.
#include <atomic>   // atomic
#include <cstdlib>  // setenv, getenv, abort
#include <memory>   // shared_ptr
#include <string>   // string, stoi
#include <thread>   // thread

#include <QCoreApplication>

#include <arpa/inet.h>   // htonl, htons, ntohs
#include <netinet/in.h>  // sockaddr_in
#include <poll.h>        // poll
#include <sys/socket.h>  // socket, bind, listen, accept, connect, setsockopt
#include <unistd.h>      // read, write, close

#include "FlowDriving.h"
#include "QtTestMain.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {
namespace {

// A byte-for-byte TCP relay on 127.0.0.1 to the port of the sandbox under test, so that the
// checkout page keeps the one origin the component opened while each test's sandbox (and its
// faults: a refused or reset connection, a slow or broken answer) sits behind it. A redirect
// would move the page to another origin, where the web checkout rightly ignores it. Its threads
// run until the process exits.
std::atomic<int> targetPort{0};

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
  for (ssize_t sent = 0, w = 0; sent < n; sent += w) {
    if ((w = write(to, buffer + sent, static_cast<size_t>(n - sent))) <= 0) return false;
  }
  return n > 0;
}

// Copies both ways until either side closes or fails, then closes both; a side that failed is
// closed with a reset, so a reset or refused platform looks the same through the relay.
void relay(int client, int port) {
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in target = loopback(port);
  bool clean = server >= 0 &&
               connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
  while (clean) {
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (poll(fds, 2, 120000) <= 0) break;
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !copyOnce(client, server)) break;
    if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !copyOnce(server, client)) {
      clean = false;
    }
  }
  if (!clean) {
    const linger reset{1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  }
  if (server >= 0) close(server);
  close(client);
}

// Listens on a free port and relays every connection; returns the port, 0 when it cannot.
int startRelay() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return 0;
  }
  std::thread([listener] {
    for (;;) {
      const int client = accept(listener, nullptr, nullptr);
      if (client >= 0) std::thread(relay, client, targetPort.load()).detach();
    }
  }).detach();
  return ntohs(address.sin_port);
}

}  // namespace

void setCheckoutPageTarget(const std::string& baseUrl) {
  // "<scheme>://127.0.0.1:<port>/"
  targetPort = std::stoi(baseUrl.substr(baseUrl.rfind(':') + 1));
}

std::shared_ptr<void> prepareTestProcess() {
  // A run inside a fresh network namespace (NoNetworkTests) keeps the machine's own answers.
  if (std::getenv("TARVEL_NO_NETWORK_CHILD") != nullptr) return nullptr;
  const int port = startRelay();
  if (port == 0) std::abort();
  setenv("TARVEL_STAGING_WEB_URL", ("http://127.0.0.1:" + std::to_string(port) + "/web/").c_str(),
         1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  return nullptr;
}

}  // namespace tarvel::test
