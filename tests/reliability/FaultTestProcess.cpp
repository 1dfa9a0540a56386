// The reliability tests' process: Qt WebEngine's context sharing, the reachability answer
// pinned to online (the faults come from the platform, not from the machine's routes), and the
// staging checkout page base on the one port where each test runs its sandbox platform: the
// component reads that base once, and the web checkout keeps to the origin it opened.
#include <cstdlib>  // setenv, getenv, abort
#include <memory>   // shared_ptr
#include <random>   // random_device
#include <string>   // string, to_string

#include <QCoreApplication>

#include <arpa/inet.h>   // htonl, htons
#include <netinet/in.h>  // sockaddr_in
#include <sys/socket.h>  // socket, bind, setsockopt

#include "FlowDriving.h"
#include "QtTestMain.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {
namespace {

int heldPort = 0;

// Holds a port on 127.0.0.1 below the range the system hands out to outgoing connections, for
// the whole process: bound first without address reuse (so a port another process holds is
// skipped), then allowing it, as the sandbox binds, and never listening. Between one test's
// sandbox and the next nothing else can take the port, and connections to it are refused.
int holdPort() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int port = 10000 + static_cast<int>(random() % 20000);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (holder >= 0 && bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0) {
      return port;  // the socket stays open until the process ends
    }
  }
  return 0;
}

}  // namespace

int platformPort() { return heldPort; }

std::shared_ptr<void> prepareTestProcess() {
  // A run inside a fresh network namespace (NoNetworkTests) keeps the machine's own answers.
  if (std::getenv("TARVEL_NO_NETWORK_CHILD") != nullptr) return nullptr;
  if ((heldPort = holdPort()) == 0) std::abort();
  const std::string web = "http://127.0.0.1:" + std::to_string(heldPort) + "/web/";
  setenv("TARVEL_STAGING_WEB_URL", web.c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  return nullptr;
}

}  // namespace tarvel::test
