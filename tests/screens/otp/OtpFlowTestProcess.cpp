// The flow tests' process: one sandbox platform over HTTPS, started before anything reads the
// component's configuration, with the staging API and analytics hosts and the trusted CA
// pointed at it. The reachability answer is pinned to online, so that the tests do not depend
// on the machine's routes.
#include <cstdio>   // fprintf
#include <cstdlib>  // setenv, abort
#include <memory>   // make_shared, shared_ptr
#include <mutex>    // mutex, lock_guard

#include "OtpSandbox.h"
#include "QtTestMain.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {

namespace {

struct SandboxProcess {
  std::mutex mutex;
  std::vector<std::string> console;
  std::unique_ptr<sandbox::SandboxServer> server;
};

SandboxProcess* running = nullptr;  // owned by main() through what prepareTestProcess returns

}  // namespace

sandbox::SandboxServer& otpSandbox() { return *running->server; }

std::vector<std::string> otpSandboxConsole() {
  std::lock_guard<std::mutex> lock(running->mutex);
  return running->console;
}

std::shared_ptr<void> prepareTestProcess() {
  auto process = std::make_shared<SandboxProcess>();
  sandbox::SandboxOptions options;
  options.https = true;
  options.console = [raw = process.get()](std::string_view line) {
    std::lock_guard<std::mutex> lock(raw->mutex);
    raw->console.emplace_back(line);
  };
  process->server = std::make_unique<sandbox::SandboxServer>(options);
  if (!process->server->start()) {
    std::fprintf(stderr, "sandbox did not start: %s\n", process->server->error().c_str());
    std::abort();
  }
  setenv("TARVEL_STAGING_API_URL", process->server->apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", process->server->analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", process->server->caFile().c_str(), 1);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  running = process.get();
  return process;
}

}  // namespace tarvel::test
