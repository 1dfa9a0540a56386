#pragma once

#include <chrono>              // milliseconds
#include <condition_variable>  // condition_variable
#include <cstddef>             // size_t
#include <memory>              // unique_ptr, shared_ptr
#include <mutex>               // mutex
#include <optional>            // optional
#include <set>                 // set
#include <string>              // string
#include <thread>              // thread
#include <utility>             // pair, move, exchange
#include <vector>              // vector

#include <httplib.h>  // Server, SSLServer, Request, Response

#include "tarvel/Dictionary.h"

namespace tarvel::detail {
class UrlLoader;
}

namespace tarvel::test {

class TestCertificateAuthority;

/// One request as the loopback server received it.
struct RecordedRequest {
  std::string method;
  std::string path;    ///< without the query, e.g. "/v1/order/verify"
  std::string query;   ///< the raw query text after "?", still percent-encoded; empty when none
  std::string target;  ///< path and query exactly as sent
  httplib::Headers headers;  ///< case-insensitive multimap
  httplib::Params params;    ///< the decoded query items
  std::string body;

  std::string header(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
  }
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
///
/// Two other kinds, by their constructor's tag:
/// - `Silent`: a port that accepts connections (the kernel completes the handshake) but never
///   reads or answers, a server that hangs; no routes, nothing recorded.
/// - `StagingNames`: HTTPS under a test authority whose certificate names the real staging and
///   production API hosts, which `loader()` connects to this server (libcurl's connect-to: TLS
///   still checks the name the URL gives), so only the loader's trust decides whether an answer
///   is accepted. Tests skip themselves when `usesDefaultHosts()` is false: an overridden
///   staging API host is not one the certificate names.
class LoopbackServer {
 public:
  using Handler = httplib::Server::Handler;

  /// PEM files of the server's certificate (chain) and private key, for an HTTPS server.
  struct Tls {
    std::string certificateFile;
    std::string privateKeyFile;
  };
  struct Silent {};
  struct StagingNames {};

  explicit LoopbackServer(std::optional<Tls> tls = std::nullopt)
      : tls_(tls.has_value()),
        server_(
            tls ? new httplib::SSLServer(tls->certificateFile.c_str(), tls->privateKeyFile.c_str())
                : new httplib::Server) {
    // A short keep-alive lets stop() finish quickly while a client still holds a connection,
    // and many requests per connection keep reuse visible in connectionCount(). Enough worker
    // threads that idle keep-alive connections never starve new ones; no Nagle delay.
    server_->set_keep_alive_timeout(1);
    server_->set_keep_alive_max_count(1000);
    server_->set_tcp_nodelay(true);
    server_->new_task_queue = [] { return new httplib::ThreadPool(16); };
  }
  explicit LoopbackServer(Silent) : LoopbackServer() { silent_ = true; }
  explicit LoopbackServer(StagingNames);
  ~LoopbackServer() { stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  /// Routes; `method` is "GET" (or else "POST"), `path` a regular expression as
  /// cpp-httplib takes it (plain paths match themselves).
  LoopbackServer& route(const std::string& method, const std::string& path, Handler handler) {
    auto recording = [this, handler = std::move(handler)](const httplib::Request& request,
                                                          httplib::Response& response) {
      record(request);
      handler(request, response);
    };
    method == "GET" ? server_->Get(path, recording) : server_->Post(path, recording);
    return *this;
  }
  /// A route that always answers `status` with `body` as "application/json".
  LoopbackServer& answerJson(const std::string& method, const std::string& path, int status,
                             std::string body) {
    return route(method, path, [status, body](const httplib::Request&, httplib::Response& out) {
      out.status = status;
      out.set_content(body, "application/json");
    });
  }

  /// Binds 127.0.0.1 on a free port and serves; returns once the server accepts connections.
  /// False when it could not bind or start.
  bool start() {
    if (thread_.joinable() || silentSocket_ >= 0) return true;
    if (silent_) return (silentSocket_ = bindLoopback(port_)) >= 0;
    if (tls_ && !server_->is_valid()) return false;
    for (const char* method : {"GET", "POST"}) answerJson(method, ".*", 404, "");
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return false;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int waited = 0; waited < 5000 && !server_->is_running(); waited += 2) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return server_->is_running();
  }
  void stop() {
    if (silentSocket_ >= 0) closeSocket(std::exchange(silentSocket_, -1));
    if (!thread_.joinable()) return;
    server_->stop();
    thread_.join();
  }

  /// "http://127.0.0.1:<port>/" (or https), ready for appending an endpoint path.
  std::string baseUrl() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
  }

  /// For `StagingNames`: whether the staging API host is the one the certificate names; the
  /// test authority's file; libcurl's CURLOPT_CONNECT_TO entries that send both host names
  /// here; a loader that trusts the test authority as the extra one and connects both host
  /// names here.
  static bool usesDefaultHosts();
  std::string caFile() const;
  std::vector<std::string> connectTo() const;
  std::shared_ptr<detail::UrlLoader> loader() const;

  std::vector<RecordedRequest> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  std::size_t requestCount() const { return requests().size(); }
  std::size_t connectionCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_.size();
  }
  /// Waits until at least `count` requests arrived; false when `timeout` passed first.
  bool waitForRequests(std::size_t count,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
  }

 private:
  explicit LoopbackServer(std::shared_ptr<const TestCertificateAuthority> authority);
  // A TCP socket listening on 127.0.0.1 and a free port; the socket or -1.
  static int bindLoopback(int& port);
  static void closeSocket(int socket);

  void record(const httplib::Request& request) {
    const auto mark = request.target.find('?');
    const std::string query = mark == std::string::npos ? "" : request.target.substr(mark + 1);
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back({request.method, request.path, query, request.target, request.headers,
                         request.params, request.body});
    connections_.emplace(request.remote_addr, request.remote_port);
    changed_.notify_all();
  }

  bool tls_ = false;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = -1;
  bool silent_ = false;
  int silentSocket_ = -1;
  std::shared_ptr<const TestCertificateAuthority> authority_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<RecordedRequest> requests_;
  std::set<std::pair<std::string, int>> connections_;
};

}  // namespace tarvel::test
