#include "SandboxServer.h"

#include <atomic>        // atomic
#include <chrono>        // milliseconds
#include <cstdlib>       // getenv
#include <exception>     // exception, exception_ptr, rethrow_exception
#include <mutex>         // mutex, lock_guard
#include <set>           // set
#include <string>        // string
#include <system_error>  // error_code
#include <thread>        // thread, sleep_for
#include <utility>       // move, pair
#include <vector>        // vector

#include <httplib.h>
#include <signal.h>      // sigaction
#include <stdlib.h>      // mkdtemp
#include <sys/socket.h>  // setsockopt

#include "AnalyticsEndpoints.h"
#include "ApiEndpoints.h"
#include "CertificateAuthority.h"
#include "ControlEndpoints.h"
#include "FaultInjection.h"
#include "HttpJson.h"
#include "PlatformState.h"
#include "WebEndpoints.h"

namespace tarvel::sandbox {
namespace {

constexpr const char* kHost = "127.0.0.1";
constexpr std::size_t kRequestsPerConnection = 100000;  // cpp-httplib's default closes after 5
constexpr time_t kReadTimeoutSeconds = 10;
constexpr auto kStartTimeout = std::chrono::seconds(5);

const char* statusText(int status) {
  switch (status) {
    case 400:
      return "bad request";
    case 404:
      return "no such endpoint";
    case 405:
      return "method not allowed";
    case 413:
      return "request body too large";
    case 414:
      return "request URI too long";
    default:
      return "request failed";
  }
}

std::optional<std::filesystem::path> makeTemporaryFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarvel-sandbox-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return std::nullopt;
  return std::filesystem::path(buffer.data());
}

// Counts the TLS handshakes the server completes; the counter hangs off the SSL_CTX.
void countHandshake(const SSL* ssl, int where, int) {
  if ((where & SSL_CB_HANDSHAKE_DONE) == 0) return;
  auto* count = static_cast<std::atomic<std::size_t>*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
  if (count != nullptr) ++*count;
}

// A client that goes away mid-answer must not end the process: TLS writes reach the socket
// through write(), which raises SIGPIPE unless it is ignored.
void ignoreBrokenPipes() {
  struct sigaction current {};
  if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
    signal(SIGPIPE, SIG_IGN);
  }
}

}  // namespace

struct SandboxServer::Impl {
  explicit Impl(SandboxOptions options)
      : state(std::move(options)),
        faults(state.options.slowDelay),
        api(state, faults),
        analytics(state),
        control(state),
        web(state, faults) {}

  bool fail(std::string message) {
    error = std::move(message);
    return false;
  }
  bool makeServer();
  void configure();

  PlatformState state;
  FaultInjection faults;
  ApiEndpoints api;
  AnalyticsEndpoints analytics;
  ControlEndpoints control;
  WebEndpoints web;
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  std::optional<CertificateAuthority> authority;
  std::filesystem::path temporaryFolder;  // removed at stop when set
  std::string error;
  int port = 0;
  bool started = false;
  std::atomic<std::size_t> tlsHandshakes{0};
  mutable std::mutex connectionsMutex;
  std::set<std::pair<std::string, int>> clientConnections;  // (address, port) of each client
};

bool SandboxServer::Impl::makeServer() {
  if (!state.options.https) {
    server = std::make_unique<httplib::Server>();
    return true;
  }
  std::filesystem::path folder = state.options.stateDir;
  if (folder.empty()) {
    const auto made = makeTemporaryFolder();
    if (!made) return fail("cannot make a temporary folder for the certificates");
    temporaryFolder = folder = *made;
  }
  std::string reason;
  authority = CertificateAuthority::create(folder, &reason);
  if (!authority) return fail(reason);
  auto secure = std::make_unique<httplib::SSLServer>(authority->serverCertificateFile().c_str(),
                                                     authority->serverKeyFile().c_str());
  if (!secure->is_valid()) return fail("the TLS server rejected the generated certificate");
  SSL_CTX_set_app_data(secure->ssl_context(), &tlsHandshakes);
  SSL_CTX_set_info_callback(secure->ssl_context(), countHandshake);
  server = std::move(secure);
  return true;
}

void SandboxServer::Impl::configure() {
  // cpp-httplib's default options add SO_REUSEPORT, which would let a second sandbox share
  // the port and take half the requests; address reuse alone is enough.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  // Answers leave at once, as from a production server, instead of waiting out Nagle's
  // algorithm behind the client's delayed acknowledgement.
  server->set_tcp_nodelay(true);
  server->set_payload_max_length(state.options.maxBodyBytes);
  server->set_keep_alive_timeout(state.options.keepAlive.count());
  server->set_keep_alive_max_count(kRequestsPerConnection);
  server->set_read_timeout(kReadTimeoutSeconds);
  // Errors without a body of their own (unknown path, body too large) still answer JSON.
  server->set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        HttpJson::error(response, response.status, statusText(response.status));
        return httplib::Server::HandlerResponse::Handled;
      }));
  server->set_exception_handler(
      [](const httplib::Request&, httplib::Response& response, std::exception_ptr thrown) {
        std::string what = "internal error";
        try {
          std::rethrow_exception(thrown);
        } catch (const std::exception& exception) {
          what += std::string(": ") + exception.what();
        } catch (...) {
        }
        HttpJson::error(response, 500, what);
      });
  if (state.options.requestArrived) {
    server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      state.options.requestArrived(request.method, request.path);
      return httplib::Server::HandlerResponse::Unhandled;
    });
  }
  server->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    {
      std::lock_guard<std::mutex> lock(connectionsMutex);
      clientConnections.emplace(request.remote_addr, request.remote_port);
    }
    state.say(request.method + " " + request.path + " " + std::to_string(response.status));
  });
  api.install(*server, "/api/");
  analytics.install(*server, "/analytics/");
  web.install(*server, "/web/");
  control.install(*server, "/control/");
}

SandboxServer::SandboxServer(SandboxOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

SandboxServer::~SandboxServer() { stop(); }

bool SandboxServer::start() {
  Impl& impl = *impl_;
  if (impl.started || impl.server) return impl.fail("the server was started before");
  ignoreBrokenPipes();
  if (!impl.makeServer()) return false;
  impl.configure();
  const int wanted = impl.state.options.port;
  if (wanted == 0) {
    impl.port = impl.server->bind_to_any_port(kHost);
  } else {
    impl.port = impl.server->bind_to_port(kHost, wanted) ? wanted : -1;
  }
  if (impl.port <= 0) {
    return impl.fail("cannot listen on " + std::string(kHost) + ":" + std::to_string(wanted));
  }
  httplib::Server* server = impl.server.get();
  impl.thread = std::thread([server] { server->listen_after_bind(); });
  impl.started = true;
  // stop() only takes effect once the accept loop runs, so wait for it here.
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!server->is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!server->is_running()) return impl.fail("the server did not start serving");
  return true;
}

void SandboxServer::stop() {
  Impl& impl = *impl_;
  impl.faults.stop();
  if (impl.server && impl.started) impl.server->stop();
  if (impl.thread.joinable()) impl.thread.join();
  impl.started = false;
  if (!impl.temporaryFolder.empty()) {
    std::error_code ignored;  // a leftover temporary folder is harmless
    std::filesystem::remove_all(impl.temporaryFolder, ignored);
    impl.temporaryFolder.clear();
  }
}

const std::string& SandboxServer::error() const { return impl_->error; }
int SandboxServer::port() const { return impl_->port; }
bool SandboxServer::https() const { return impl_->state.options.https; }

std::string SandboxServer::origin() const {
  return std::string(https() ? "https://" : "http://") + kHost + ":" + std::to_string(port());
}
std::string SandboxServer::apiBaseUrl() const { return origin() + "/api/"; }
std::string SandboxServer::analyticsBaseUrl() const { return origin() + "/analytics/"; }
std::string SandboxServer::webBaseUrl() const { return origin() + "/web/"; }
std::string SandboxServer::controlBaseUrl() const { return origin() + "/control/"; }
std::string SandboxServer::caFile() const {
  return impl_->authority ? impl_->authority->caFile().string() : std::string();
}

std::optional<std::string> SandboxServer::lastOtp(const std::string& moid,
                                                  const std::string& phone) const {
  return impl_->state.otps.lastCode(moid, phone);
}
std::optional<Order> SandboxServer::order(const std::string& tarvelOid) const {
  return impl_->state.orders.byTarvelOid(tarvelOid);
}
nlohmann::json SandboxServer::events() const { return impl_->state.events.all(); }
std::size_t SandboxServer::tlsHandshakes() const { return impl_->tlsHandshakes.load(); }

std::size_t SandboxServer::clientConnections() const {
  std::lock_guard<std::mutex> lock(impl_->connectionsMutex);
  return impl_->clientConnections.size();
}
void SandboxServer::reset() { impl_->state.reset(); }

}  // namespace tarvel::sandbox
