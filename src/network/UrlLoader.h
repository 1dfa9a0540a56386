#pragma once

#include <chrono>      // milliseconds
#include <cstddef>     // size_t
#include <functional>  // function
#include <memory>      // shared_ptr
#include <optional>    // optional
#include <string>      // string
#include <vector>      // vector

namespace tarvel::detail {

/// One HTTP request for the loader.
struct UrlRequest {
  std::string method = "GET";        ///< "GET", "POST" or "HEAD"
  std::string url;                   ///< absolute http or https URL, query included
  std::vector<std::string> headers;  ///< "Name: value" lines
  std::string body;                  ///< sent for "POST"
};

/// What came back: a status code and body, or nothing and the reason.
struct UrlLoadResult {
  std::optional<long> statusCode;  ///< nothing when no answer arrived
  std::string body;
  std::string failure;  ///< why there is no answer (connection refused, time-out, ...)

  bool answered() const { return statusCode.has_value(); }
};

using UrlLoadCompletion = std::function<void(UrlLoadResult result)>;

/// The component's HTTP transport: one background thread driving every transfer, with one
/// connection cache so that requests to the same host reuse their keep-alive connection (and
/// multiplex over HTTP/2 where the server offers it). TLS peers are always verified.
///
/// `load` and `post` may be called from any thread and return at once. Each completion runs
/// exactly once, on the loader's thread; a completion that throws is logged and ignored. The
/// HTTP status never makes a load fail: any complete answer is delivered. No answer (refused,
/// unreachable, time-out, TLS failure, an answer over the size cap, a redirect to another
/// origin, shutdown) is delivered as a result without status.
///
/// Redirects are followed only within the request's origin (scheme, host and port), at most
/// five times: the platform has no reason to send a request elsewhere, and following would
/// hand the body (tokens, OTPs, phone numbers) to whoever the redirect names. 307 and 308
/// keep method and body; 303, and 301 or 302 after a POST, continue as a GET without body.
///
/// The extra certificate authority is trusted only where `extraCaAppliesTo` says so: the
/// staging hosts, never production ones.
///
/// `UrlLoader::shared()` serves the whole process; it reads TARVEL_CA_FILE once, when first
/// used, and stops at process exit (requests still pending then are dropped, not completed).
/// Other instances are for tests and stop in their destructor, completing pending requests.
class UrlLoader {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{60000};
  /// The platform's answers are kilobytes (a verify answer with its QR image stays well under
  /// 100 KB); larger ones are refused before they cost memory and parsing time.
  static constexpr std::size_t kDefaultMaxResponseBytes = 1024u * 1024u;

  struct Options {
    /// Whole-transfer time-out, connection included.
    std::chrono::milliseconds timeout = kDefaultTimeout;
    /// A PEM file of extra trusted certificate authorities, on top of the system's, for the
    /// staging hosts; empty for the system's alone.
    std::string extraCaFile;
    /// Answers larger than this (after content decoding) end the transfer without an answer.
    std::size_t maxResponseBytes = kDefaultMaxResponseBytes;
    /// libcurl's CURLOPT_CONNECT_TO entries ("host:port:connect-host:connect-port"): tests
    /// reach a named host (a production one, say) on a loopback server, with TLS still
    /// checking the name the URL gives.
    std::vector<std::string> connectToForTesting;
  };

  /// The default options, with `extraCaFile` from the environment variable TARVEL_CA_FILE.
  static Options optionsFromEnvironment();

  /// The process-wide loader.
  static UrlLoader& shared();

  UrlLoader();
  explicit UrlLoader(Options options);
  /// Stops the loader: pending requests complete without an answer, then the thread ends.
  ~UrlLoader();
  UrlLoader(const UrlLoader&) = delete;
  UrlLoader& operator=(const UrlLoader&) = delete;

  /// Queues `request`; `completion` runs once on the loader thread with the result.
  void load(UrlRequest request, UrlLoadCompletion completion);
  /// Runs `task` on the loader thread, after the transfers that finished before it.
  void post(std::function<void()> task);
  /// Opens a connection to the origin of `url` ahead of the first real request there: one
  /// HEAD request for `url`, whose answer (any status) leaves its connection in the cache for
  /// the next request to that origin. Logs one line with the result and reports nothing else;
  /// while one is in flight, further calls start none.
  void warmUp(const std::string& url);

  struct State;

 private:
  /// Ends the thread; pending requests complete without an answer, or are dropped when
  /// `completePending` is false. Later requests are dropped.
  void stop(bool completePending);
  /// The process's exit handler: stops and joins the shared loader, when there is one.
  static void stopSharedLoader();

  std::shared_ptr<State> state_;
};

}  // namespace tarvel::detail
