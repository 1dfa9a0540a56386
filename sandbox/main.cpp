// tarvel-sandbox: the local payment platform for tests, CI and the demo.
//
//   tarvel-sandbox [--port N] [--http] [--state-dir DIR] [--slow-ms MS]
//
// Listens on 127.0.0.1 only (port 0 or no --port: any free port), prints the export lines
// that point the component at it, then serves until SIGINT or SIGTERM.
#include <chrono>       // milliseconds
#include <cstdio>       // printf, fflush
#include <cstdlib>      // strtol
#include <iostream>     // cerr
#include <mutex>        // mutex
#include <string>       // string
#include <string_view>  // string_view

#include <signal.h>

#include "SandboxServer.h"

namespace {

constexpr int kUsageError = 2;

void printUsage() {
  std::cerr << "usage: tarvel-sandbox [--port N] [--http] [--state-dir DIR] [--slow-ms MS]\n"
               "  --port N         port on 127.0.0.1 (default 0: any free port)\n"
               "  --http           plain HTTP instead of HTTPS with a generated CA\n"
               "  --state-dir DIR  where ca.pem, server.pem and server-key.pem go\n"
               "                   (default: a temporary folder removed at exit)\n"
               "  --slow-ms MS     delay of the \"slow\" scenarios (default 3000)\n";
}

bool parseNumber(std::string_view text, long low, long high, long& value) {
  const std::string copy(text);
  char* end = nullptr;
  value = std::strtol(copy.c_str(), &end, 10);
  return !copy.empty() && end && *end == '\0' && value >= low && value <= high;
}

bool parseArguments(int argc, char** argv, tarvel::sandbox::SandboxOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const bool hasValue = i + 1 < argc;
    long number = 0;
    if (argument == "--http") {
      options.https = false;
    } else if (argument == "--port" && hasValue && parseNumber(argv[i + 1], 0, 65535, number)) {
      options.port = static_cast<int>(number);
      ++i;
    } else if (argument == "--state-dir" && hasValue) {
      options.stateDir = argv[++i];
    } else if (argument == "--slow-ms" && hasValue && parseNumber(argv[i + 1], 0, 600000, number)) {
      options.slowDelay = std::chrono::milliseconds(number);
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

// Single-quoted for the shell when the text holds anything but plain path characters.
std::string shellWord(const std::string& text) {
  const bool plain = text.find_first_not_of(
                         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-:+") ==
                     std::string::npos;
  if (plain && !text.empty()) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::mutex consoleMutex;

void consoleLine(std::string_view line) {
  std::lock_guard lock(consoleMutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  tarvel::sandbox::SandboxOptions options;
  if (!parseArguments(argc, argv, options)) {
    printUsage();
    return kUsageError;
  }
  options.console = consoleLine;

  // Block the stop signals before any thread starts, so that only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  tarvel::sandbox::SandboxServer server(options);
  if (!server.start()) {
    std::cerr << "tarvel-sandbox: " << server.error() << "\n";
    return 1;
  }
  {
    std::lock_guard lock(consoleMutex);
    std::printf("export TARVEL_STAGING_API_URL=%s\n", server.apiBaseUrl().c_str());
    std::printf("export TARVEL_STAGING_ANALYTICS_URL=%s\n", server.analyticsBaseUrl().c_str());
    std::printf("export TARVEL_STAGING_WEB_URL=%s\n", server.webBaseUrl().c_str());
    if (server.https())
      std::printf("export TARVEL_CA_FILE=%s\n", shellWord(server.caFile()).c_str());
    std::fflush(stdout);
  }
  consoleLine("# control endpoints: " + server.controlBaseUrl() +
              " (pay, otp, order, events, reset)");

  int received = 0;
  sigwait(&stopSignals, &received);
  consoleLine(std::string("# stopping on ") + (received == SIGINT ? "SIGINT" : "SIGTERM"));
  server.stop();
  return 0;
}
