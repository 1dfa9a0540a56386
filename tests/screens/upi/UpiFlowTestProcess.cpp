// The end-to-end UPI tests' process: the sandbox platform over HTTPS with the component's
// staging hosts pointed at it, and the simulated UPI apps registered as the desktop's URL-scheme
// handlers in a private XDG folder, all before anything reads the environment.
#include "UpiFlowTestProcess.h"

#include <cstdlib>     // setenv, unsetenv, abort
#include <filesystem>  // create_directories
#include <iostream>    // cerr
#include <memory>      // make_shared, shared_ptr
#include <string>      // string

#include "QtTestMain.h"
#include "SandboxServer.h"
#include "TemporaryDirectory.h"
#include "UpiAppRegistration.h"

namespace tarvel::test {

namespace {

struct FlowProcess {
  TemporaryDirectory xdg;
  sandbox::SandboxServer server;
};

FlowProcess* process = nullptr;

}  // namespace

sandbox::SandboxServer& sandboxPlatform() { return process->server; }

std::shared_ptr<void> prepareTestProcess() {
  auto made = std::make_shared<FlowProcess>();
  if (!made->server.start()) {
    std::cerr << "sandbox did not start: " << made->server.error() << "\n";
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
  setenv("TARVEL_STAGING_API_URL", made->server.apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", made->server.analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_WEB_URL", made->server.webBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", made->server.caFile().c_str(), 1);
  // Without a display the simulated apps pay at once instead of asking in a window.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  process = made.get();
  return made;
}

}  // namespace tarvel::test
