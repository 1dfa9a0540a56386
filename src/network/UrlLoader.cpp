#include "network/UrlLoader.h"

#include <curl/curl.h>

#include <atomic>       // atomic
#include <cstdlib>      // getenv, atexit
#include <deque>        // deque
#include <exception>    // exception
#include <fstream>      // ifstream
#include <iterator>     // istreambuf_iterator
#include <list>         // list
#include <mutex>        // mutex, once_flag, call_once
#include <string_view>  // string_view
#include <thread>       // thread
#include <utility>      // move

#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

constexpr const char* kSystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";
constexpr long kMaxRedirects = 5;
constexpr int kIdlePollMs = 1000;
constexpr long kMaxConnectionsPerHost = 6;
constexpr long kConnectionCacheSize = 32;

void ensureCurlInitialized() {
  static std::once_flag once;
  // Never paired with curl_global_cleanup: the shared loader may still be stopping while the
  // process exits, and the library's globals go with the process.
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The system's authorities followed by the extra ones, as one PEM bundle held in memory.
std::string trustBundle(const std::string& extraCaFile) {
  auto extra = readFile(extraCaFile);
  if (!extra || extra->find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
    log("Cannot read certificate authorities from \"" + extraCaFile +
        "\"; trusting the system's certificate authorities only");
    return {};
  }
  std::string bundle = readFile(kSystemCaBundle).value_or(std::string());
  bundle += '\n';
  bundle += *extra;
  return bundle;
}

// Loopback addresses never go through a proxy configured in the environment.
std::string noProxyList() {
  const char* configured = std::getenv("no_proxy");
  if (configured == nullptr) configured = std::getenv("NO_PROXY");
  std::string list = configured != nullptr ? configured : "";
  if (list == "*") return list;
  if (!list.empty()) list += ',';
  return list + "localhost,127.0.0.1,::1";
}

void invokeGuarded(const std::function<void()>& function) {
  try {
    function();
  } catch (const std::exception& error) {
    log(std::string("A network completion threw and was ignored: ") + error.what());
  } catch (...) {
    log("A network completion threw and was ignored");
  }
}

struct Pending {
  UrlRequest request;
  UrlLoadCompletion completion;
};

// One request in flight: its easy handle and everything libcurl points into.
struct Transfer {
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  Pending pending;
  std::string received;
  std::size_t maxBytes = 0;
  bool tooLarge = false;
  char errorText[CURL_ERROR_SIZE] = {};

  Transfer() = default;
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;
  ~Transfer() {
    if (easy != nullptr) curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
  }
};

size_t collectBody(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  size_t bytes = size * count;
  if (transfer->received.size() + bytes > transfer->maxBytes) {
    transfer->tooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  transfer->received.append(data, bytes);
  return bytes;
}

}  // namespace

struct UrlLoader::State {
  explicit State(Options options)
      : options(std::move(options)), timeoutMs(this->options.timeout.count()) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  const Options options;
  std::atomic<long long> timeoutMs;
  std::string caBundle;  // empty: libcurl's default trust store
  std::string noProxy = noProxyList();

  CURLM* multi = nullptr;
  std::thread thread;

  std::mutex mutex;  // guards the queues and `stopping`, and every wakeup of `multi`
  std::deque<Pending> queued;
  std::deque<std::function<void()>> tasks;
  bool stopping = false;
  bool completePendingOnStop = true;

  // Loader thread only.
  std::list<Transfer> active;

  void run();
  void startTransfer(Pending pending);
  void finishTransfer(CURL* easy, CURLcode code);
  void finishAll();
  static void complete(Pending& pending, UrlLoadResult result);
};

void UrlLoader::State::complete(Pending& pending, UrlLoadResult result) {
  auto completion = std::move(pending.completion);
  if (completion) invokeGuarded([&] { completion(std::move(result)); });
}

void UrlLoader::State::startTransfer(Pending pending) {
  auto& transfer = active.emplace_back();
  transfer.pending = std::move(pending);
  transfer.maxBytes = options.maxResponseBytes;
  transfer.easy = curl_easy_init();
  if (transfer.easy == nullptr) {
    complete(transfer.pending, {std::nullopt, {}, "cannot create a transfer"});
    active.pop_back();
    return;
  }
  CURL* easy = transfer.easy;
  const UrlRequest& request = transfer.pending.request;
  curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer);
  curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
  long timeout = static_cast<long>(timeoutMs.load());
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caBundle.empty()) {
    curl_blob blob{caBundle.data(), caBundle.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
  }
  curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.c_str());
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(options.maxResponseBytes));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collectBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.errorText);

  for (const auto& header : request.headers) {
    transfer.headers = curl_slist_append(transfer.headers, header.c_str());
  }
  if (request.method == "POST") {
    // No "Expect: 100-continue" round trip before larger bodies.
    transfer.headers = curl_slist_append(transfer.headers, "Expect:");
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body.size()));
  } else if (request.method == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers);

  if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
    complete(transfer.pending, {std::nullopt, {}, "cannot start the transfer"});
    active.pop_back();
  }
}

void UrlLoader::State::finishTransfer(CURL* easy, CURLcode code) {
  Transfer* transfer = nullptr;
  curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
  curl_multi_remove_handle(multi, easy);

  UrlLoadResult result;
  if (code == CURLE_OK) {
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    result.statusCode = status;
    result.body = std::move(transfer->received);
  } else if (transfer->tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
    result.failure = "answer larger than " + std::to_string(options.maxResponseBytes) + " bytes";
  } else {
    result.failure =
        transfer->errorText[0] != '\0' ? transfer->errorText : curl_easy_strerror(code);
  }
  complete(transfer->pending, std::move(result));
  active.remove_if([transfer](const Transfer& candidate) { return &candidate == transfer; });
}

void UrlLoader::State::finishAll() {
  std::deque<Pending> leftover;
  std::deque<std::function<void()>> leftoverTasks;
  bool completePending = false;
  {
    std::lock_guard<std::mutex> lock(mutex);
    leftover.swap(queued);
    leftoverTasks.swap(tasks);
    completePending = completePendingOnStop;
  }
  for (auto& transfer : active) curl_multi_remove_handle(multi, transfer.easy);
  if (completePending) {
    const UrlLoadResult stopped{std::nullopt, {}, "the loader stopped"};
    for (auto& transfer : active) complete(transfer.pending, stopped);
    for (auto& pending : leftover) complete(pending, stopped);
    for (auto& task : leftoverTasks) invokeGuarded(task);
  }
  active.clear();
  curl_multi_cleanup(multi);
  multi = nullptr;
}

void UrlLoader::State::run() {
  while (true) {
    std::deque<Pending> incoming;
    std::deque<std::function<void()>> dueTasks;
    bool stop = false;
    {
      // On stop the queues stay where they are: finishAll settles them.
      std::lock_guard<std::mutex> lock(mutex);
      stop = stopping;
      if (!stop) {
        incoming.swap(queued);
        dueTasks.swap(tasks);
      }
    }
    if (stop) {
      finishAll();
      return;
    }
    for (auto& pending : incoming) startTransfer(std::move(pending));

    int running = 0;
    curl_multi_perform(multi, &running);
    int remaining = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &remaining)) {
      if (message->msg == CURLMSG_DONE) finishTransfer(message->easy_handle, message->data.result);
    }
    for (auto& task : dueTasks) invokeGuarded(task);
    if (!dueTasks.empty()) continue;  // a task may have queued more work

    curl_multi_poll(multi, nullptr, 0, kIdlePollMs, nullptr);
  }
}

UrlLoader::Options UrlLoader::optionsFromEnvironment() {
  Options options;
  if (const char* caFile = std::getenv("TARVEL_CA_FILE"); caFile != nullptr && *caFile != '\0') {
    options.extraCaFile = caFile;
  }
  return options;
}

UrlLoader& UrlLoader::shared() {
  // Never destroyed, so a late caller during exit meets a stopped loader rather than a
  // destroyed one; the thread itself is stopped and joined by the exit handler.
  static UrlLoader* loader = [] {
    auto* instance = new UrlLoader(optionsFromEnvironment());
    std::atexit([] { shared().stop(false); });
    return instance;
  }();
  return *loader;
}

UrlLoader::UrlLoader() : UrlLoader(Options()) {}

UrlLoader::UrlLoader(Options options) : state_(std::make_shared<State>(std::move(options))) {
  ensureCurlInitialized();
  if (!state_->options.extraCaFile.empty())
    state_->caBundle = trustBundle(state_->options.extraCaFile);
  state_->multi = curl_multi_init();
  curl_multi_setopt(state_->multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
  // Like a platform URL loader: a few connections per host, further requests wait for one.
  curl_multi_setopt(state_->multi, CURLMOPT_MAX_HOST_CONNECTIONS, kMaxConnectionsPerHost);
  // Idle connections stay cached for reuse however few transfers are running.
  curl_multi_setopt(state_->multi, CURLMOPT_MAXCONNECTS, kConnectionCacheSize);
  state_->thread = std::thread([state = state_] { state->run(); });
}

UrlLoader::~UrlLoader() { stop(true); }

void UrlLoader::stop(bool completePending) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopping) return;
    state_->stopping = true;
    state_->completePendingOnStop = completePending;
    curl_multi_wakeup(state_->multi);
  }
  if (std::this_thread::get_id() == state_->thread.get_id()) {
    state_->thread.detach();  // destroyed from one of its own completions: let it wind down
  } else {
    state_->thread.join();
  }
}

void UrlLoader::load(UrlRequest request, UrlLoadCompletion completion) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->stopping) return;  // dropped: the process is exiting or the loader is going away
  state_->queued.push_back({std::move(request), std::move(completion)});
  curl_multi_wakeup(state_->multi);
}

void UrlLoader::post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->stopping) return;
  state_->tasks.push_back(std::move(task));
  curl_multi_wakeup(state_->multi);
}

void UrlLoader::setTimeoutForTesting(std::chrono::milliseconds timeout) {
  state_->timeoutMs.store(timeout.count());
}

bool UrlLoader::isLoadableUrl(const std::string& url) {
  // libcurl's parser is lenient ("http:///x" names the host "x"), so the shape is checked
  // first: a scheme, "//" and a host right after it, and no spaces or control characters.
  std::string_view text(url);
  auto schemeEnd = text.find("://");
  if (schemeEnd == std::string_view::npos) return false;
  auto host = text.substr(schemeEnd + 3);
  if (host.empty() || host.front() == '/' || host.front() == '?' || host.front() == '#')
    return false;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  ensureCurlInitialized();
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return false;
  bool loadable = false;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    char* scheme = nullptr;
    char* host = nullptr;
    if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
      std::string schemeText(scheme);
      loadable = (schemeText == "http" || schemeText == "https") && host[0] != '\0';
    }
    curl_free(scheme);
    curl_free(host);
  }
  curl_url_cleanup(parsed);
  return loadable;
}

}  // namespace tarvel::detail
