// The end-to-end flow tests' process: the sandbox platform over HTTPS with the component's
// staging hosts and trusted CA pointed at it, and the simulated UPI apps registered as the
// desktop's URL-scheme handlers in a private XDG folder, all before anything reads the
// environment. The reachability answer is pinned to online, so that the tests do not depend on
// the machine's routes.
#include "FlowTestProcess.h"

#include <cstdlib>     // setenv, unsetenv, abort
#include <filesystem>  // create_directories
#include <iostream>    // cerr
#include <memory>      // make_shared, shared_ptr
#include <mutex>       // mutex, lock_guard

#include "QtTestMain.h"
#include "TemporaryDirectory.h"
#include "UpiAppRegistration.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {
namespace {

struct FlowProcess {
  TemporaryDirectory xdg;
  std::mutex mutex;
  std::vector<std::string> console;
  std::unique_ptr<sandbox::SandboxServer> server;
};

FlowProcess* process = nullptr;  // owned by main() through what prepareTestProcess returns

}  // namespace

sandbox::SandboxServer& sandboxPlatform() { return *process->server; }

std::vector<std::string> sandboxConsole() {
  std::lock_guard<std::mutex> lock(process->mutex);
  return process->console;
}

std::shared_ptr<void> prepareTestProcess() {
  auto made = std::make_shared<FlowProcess>();
  sandbox::SandboxOptions options;
  options.https = true;
  options.console = [raw = made.get()](std::string_view line) {
    std::lock_guard<std::mutex> lock(raw->mutex);
    raw->console.emplace_back(line);
  };
  made->server = std::make_unique<sandbox::SandboxServer>(options);
  if (!made->server->start()) {
    std::cerr << "sandbox did not start: " << made->server->error() << "\n";
    std::abort();
  }
  const auto data = made->xdg.path() / "data";
  std::filesystem::create_directories(made->xdg.path() / "config");
  std::string error;
  if (!sandbox::UpiAppRegistration::install(data, TARVEL_UPI_APP_EXE, &error)) {
    std::cerr << "UPI apps not registered: " << error << "\n";
    std::abort();
  }
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (made->xdg.path() / "config").c_str(), 1);
  setenv("TARVEL_STAGING_API_URL", made->server->apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", made->server->analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_WEB_URL", made->server->webBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", made->server->caFile().c_str(), 1);
  // Without a display the simulated apps pay at once instead of asking in a window.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  process = made.get();
  return made;
}

}  // namespace tarvel::test
