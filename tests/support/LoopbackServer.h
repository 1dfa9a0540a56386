#pragma once

#include <httplib.h>  // Server, Request, Response

#include <chrono>              // milliseconds
#include <condition_variable>  // condition_variable
#include <cstddef>             // size_t
#include <memory>              // unique_ptr
#include <mutex>               // mutex
#include <optional>            // optional
#include <set>                 // set
#include <string>              // string
#include <thread>              // thread
#include <utility>             // pair
#include <vector>              // vector

#include "tarvel/Dictionary.h"

namespace tarvel::test {

/// One request as the loopback server received it.
struct RecordedRequest {
  std::string method;
  std::string path;    ///< without the query, e.g. "/v1/order/verify"
  std::string query;   ///< the raw query text after "?", still percent-encoded; empty when none
  std::string target;  ///< path and query exactly as sent
  httplib::Headers headers;  ///< case-insensitive multimap
  httplib::Params params;    ///< the decoded query items
  std::string body;

  std::string header(const std::string& name) const;
  bool hasHeader(const std::string& name) const { return headers.count(name) > 0; }
  /// The body parsed as JSON; a discarded value when it is not JSON.
  Dictionary jsonBody() const;
};

/// A real HTTP (or HTTPS) server on 127.0.0.1 and a free port, serving on its own threads,
/// for tests that exercise the component's networking end to end.
///
///   tarvel::test::LoopbackServer server;
///   server.answerJson("POST", "/v1/order/verify", 200, R"({"data": {"a": 1}})");
///   server.start();                                  // returns once it is listening
///   std::string base = server.baseUrl();             // "http://127.0.0.1:<port>/"
///   ...
///   ASSERT_TRUE(server.waitForRequests(1));
///   EXPECT_EQ(server.requests()[0].header("Content-Type"), "application/json");
///
/// Register routes before `start()`. Every request is recorded before its handler runs, so a
/// client that has its answer always finds the request recorded. Requests to paths without a
/// route are recorded too and answered with 404. `connectionCount()` counts distinct client
/// connections (by remote port), which shows whether a client reuses its connections.
/// The destructor stops the server; destroy clients that keep connections open first, or the
/// stop waits for their keep-alive (about a second).
class LoopbackServer {
 public:
  using Handler = httplib::Server::Handler;

  /// PEM files of the server's certificate (chain) and private key, for an HTTPS server.
  struct Tls {
    std::string certificateFile;
    std::string privateKeyFile;
  };

  explicit LoopbackServer(std::optional<Tls> tls = std::nullopt);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  /// Routes; `method` is "GET", "POST", "PUT" or "DELETE", `path` a regular expression as
  /// cpp-httplib takes it (plain paths match themselves).
  LoopbackServer& route(const std::string& method, const std::string& path, Handler handler);
  /// A route that always answers `status` with `body` as "application/json".
  LoopbackServer& answerJson(const std::string& method, const std::string& path, int status,
                             std::string body);

  /// Binds 127.0.0.1 on a free port and serves; returns once the server accepts connections.
  /// False when it could not bind or start.
  bool start();
  void stop();

  int port() const { return port_; }
  bool isTls() const { return tls_; }
  /// "http://127.0.0.1:<port>/" (or https), ready for appending an endpoint path.
  std::string baseUrl() const;

  std::vector<RecordedRequest> requests() const;
  std::size_t requestCount() const;
  std::size_t connectionCount() const;
  /// Waits until at least `count` requests arrived; false when `timeout` passed first.
  bool waitForRequests(std::size_t count,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;

  /// The underlying server, for settings the helper does not cover. Use before `start()`.
  httplib::Server& server() { return *server_; }

 private:
  void record(const httplib::Request& request);
  Handler recording(Handler handler);
  void installFallbackRoutes();

  bool tls_ = false;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = -1;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<RecordedRequest> requests_;
  std::set<std::pair<std::string, int>> connections_;
};

}  // namespace tarvel::test
