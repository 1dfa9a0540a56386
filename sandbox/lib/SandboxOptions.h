#pragma once

#include <chrono>       // milliseconds, seconds, steady_clock
#include <cstddef>      // size_t
#include <filesystem>   // path
#include <functional>   // function
#include <string>       // string
#include <string_view>  // string_view
#include <vector>       // vector

#include "Clock.h"

namespace tarvel::sandbox {

/// How a `SandboxServer` listens and behaves. The defaults are what `tarvel-sandbox` uses.
struct SandboxOptions {
  /// Port on 127.0.0.1; 0 picks a free one.
  int port = 0;
  /// HTTPS with a certificate authority made at start; false serves plain HTTP.
  bool https = true;
  /// Folder for "ca.pem", "server.pem" and "server-key.pem". When empty, a temporary folder
  /// is made and removed again when the server stops.
  std::filesystem::path stateDir;
  /// Time source for OTP expiry.
  Clock clock = [] { return std::chrono::steady_clock::now(); };
  /// Receives the console lines (OTP notices, one line a request); silent when empty. Called
  /// from the server's threads, one line at a time.
  std::function<void(std::string_view line)> console;
  /// Hears each request as it arrives, before it is handled: method and path. Called from the
  /// server's threads; none when empty.
  std::function<void(std::string_view method, std::string_view path)> requestArrived;

  /// How long an idle client connection stays open. Longer than the component's 5-second
  /// status polls, so one payment flow keeps one connection (and one TLS handshake), as with
  /// a production server; `stop()` may wait this long for a client that keeps one open.
  std::chrono::seconds keepAlive{10};

  /// Delay of the "slow" scenario.
  std::chrono::milliseconds slowDelay{3000};
  /// Longest request body accepted; longer ones get 413.
  std::size_t maxBodyBytes = 64 * 1024;
  /// Bounds of the stored lists; the oldest entry goes first.
  std::size_t maxOrders = 1000;
  std::size_t maxOtps = 1000;
  std::size_t maxEvents = 5000;
  std::chrono::seconds otpLifetime{300};
  /// Wrong OTPs accepted before further tries are refused.
  int otpMaxAttempts = 3;

  /// Payee of the UPI links and the apps every order offers.
  std::string payeeAddress = "tarvel.sandbox@upi";
  std::string payeeName = "Tarvel Sandbox Store";
  std::vector<std::string> upiApps = {"phonepe", "gpay", "paytm", "bhim"};
};

}  // namespace tarvel::sandbox
