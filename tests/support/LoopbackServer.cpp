#include "LoopbackServer.h"

#include <stdexcept>  // invalid_argument
#include <utility>    // move

namespace tarvel::test {
namespace {

constexpr int kPollIntervalMs = 2;
constexpr int kStartupWaitMs = 5000;
constexpr size_t kWorkerThreads = 16;
constexpr size_t kRequestsPerConnection = 1000;

std::string queryOf(const std::string& target) {
  auto mark = target.find('?');
  return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
  auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

Dictionary RecordedRequest::jsonBody() const { return Dictionary::parse(body, nullptr, false); }

LoopbackServer::LoopbackServer(std::optional<Tls> tls) {
  if (tls) {
    tls_ = true;
    server_ = std::make_unique<httplib::SSLServer>(tls->certificateFile.c_str(),
                                                   tls->privateKeyFile.c_str());
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  // A short keep-alive lets stop() finish quickly while a client still holds a connection,
  // and many requests per connection keep reuse visible in connectionCount(). Enough worker
  // threads that idle keep-alive connections never starve new ones; no Nagle delay on answers.
  server_->set_keep_alive_timeout(1);
  server_->set_keep_alive_max_count(kRequestsPerConnection);
  server_->set_tcp_nodelay(true);
  server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
}

LoopbackServer::~LoopbackServer() { stop(); }

LoopbackServer& LoopbackServer::route(const std::string& method, const std::string& path,
                                      Handler handler) {
  auto wrapped = recording(std::move(handler));
  if (method == "GET") {
    server_->Get(path, wrapped);
  } else if (method == "POST") {
    server_->Post(path, wrapped);
  } else if (method == "PUT") {
    server_->Put(path, wrapped);
  } else if (method == "DELETE") {
    server_->Delete(path, wrapped);
  } else {
    throw std::invalid_argument("LoopbackServer: unsupported method " + method);
  }
  return *this;
}

LoopbackServer& LoopbackServer::answerJson(const std::string& method, const std::string& path,
                                           int status, std::string body) {
  return route(
      method, path,
      [status, body = std::move(body)](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_content(body, "application/json");
      });
}

LoopbackServer::Handler LoopbackServer::recording(Handler handler) {
  return [this, handler = std::move(handler)](const httplib::Request& request,
                                              httplib::Response& response) {
    record(request);
    handler(request, response);
  };
}

void LoopbackServer::installFallbackRoutes() {
  auto notFound = [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("no route", "text/plain");
  };
  for (const char* method : {"GET", "POST", "PUT", "DELETE"}) route(method, ".*", notFound);
}

bool LoopbackServer::start() {
  if (thread_.joinable()) return true;
  if (tls_ && !server_->is_valid()) return false;
  installFallbackRoutes();
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return false;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  for (int waited = 0; waited < kStartupWaitMs; waited += kPollIntervalMs) {
    if (server_->is_running()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
  }
  return false;
}

void LoopbackServer::stop() {
  if (!thread_.joinable()) return;
  server_->stop();
  thread_.join();
}

std::string LoopbackServer::baseUrl() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

void LoopbackServer::record(const httplib::Request& request) {
  RecordedRequest recorded;
  recorded.method = request.method;
  recorded.path = request.path;
  recorded.target = request.target;
  recorded.query = queryOf(request.target);
  recorded.headers = request.headers;
  recorded.params = request.params;
  recorded.body = request.body;
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(std::move(recorded));
  connections_.emplace(request.remote_addr, request.remote_port);
  changed_.notify_all();
}

std::vector<RecordedRequest> LoopbackServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::size_t LoopbackServer::requestCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

std::size_t LoopbackServer::connectionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_.size();
}

bool LoopbackServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

}  // namespace tarvel::test
