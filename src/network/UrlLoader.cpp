#include "network/UrlLoader.h"

#include <atomic>       // atomic
#include <cstdlib>      // getenv, atexit
#include <deque>        // deque
#include <exception>    // exception
#include <filesystem>   // directory_iterator
#include <list>         // list
#include <memory>       // unique_ptr
#include <mutex>        // mutex, once_flag, call_once
#include <string_view>  // string_view
#include <thread>       // thread
#include <utility>      // move
#include <vector>       // vector

#include <curl/curl.h>
#include <openssl/crypto.h>  // OPENSSL_init_crypto
#include <openssl/err.h>     // ERR_clear_error
#include <openssl/pem.h>     // PEM_read_bio_X509
#include <openssl/ssl.h>     // SSL_CTX_set_cert_store
#include <openssl/x509.h>    // X509_STORE

#include "config/ExtraCaScope.h"
#include "config/HttpUrl.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

constexpr const char* kSystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";
constexpr const char* kSystemCaFolder = "/etc/ssl/certs";  // with OpenSSL's hashed names
constexpr long kMaxRedirects = 5;
constexpr int kIdlePollMs = 1000;
constexpr long kMaxConnectionsPerHost = 6;
constexpr long kConnectionCacheSize = 32;
constexpr std::size_t kIdleEasyHandles = 8;

// Whether the system's authorities can be looked up one by one, by subject hash ("1a2b3c4d.0"),
// in kSystemCaFolder: a chain then reads the one root it needs, where the bundle would be
// parsed whole (about 1 MiB of memory and tens of milliseconds at the first connection).
bool systemCaFolderIsHashed() {
  static const bool hashed = [] {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kSystemCaFolder, error)) {
      const std::string name = entry.path().filename().string();
      if (name.size() == 10 && name.ends_with(".0")) return true;
    }
    return false;
  }();
  return hashed;
}

// The process-wide loader, once made; stopped and joined when the process exits.
std::atomic<UrlLoader*> sharedLoader{nullptr};

void ensureCurlInitialized() {
  static std::once_flag once;
  // Never paired with curl_global_cleanup: the shared loader may still be stopping while the
  // process exits, and the library's globals go with the process. For the same reason OpenSSL
  // is started without its own exit handler, which would free its state while this thread may
  // still be starting it (a process that exits at once) or still hold TLS connections; its
  // state goes with the process too. A host that started OpenSSL first keeps its own choice.
  std::call_once(once, [] {
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
    curl_global_init(CURL_GLOBAL_DEFAULT);
  });
}

// The system's authorities and the extra ones, parsed once into one OpenSSL store that each
// new connection to a staging host is given. A PEM bundle handed to libcurl instead would be
// copied and compared in full on every request (connection matching) and parsed again for
// every connection.
class ExtraTrust {
 public:
  // Nothing, logged, when the file holds no certificate.
  static std::unique_ptr<ExtraTrust> load(const std::string& extraCaFile) {
    X509_STORE* store = X509_STORE_new();
    if (store == nullptr) return nullptr;
    const int system = systemCaFolderIsHashed() ? X509_STORE_load_path(store, kSystemCaFolder)
                                                : X509_STORE_load_file(store, kSystemCaBundle);
    if (system != 1) X509_STORE_set_default_paths(store);
    int added = 0;
    if (BIO* file = BIO_new_file(extraCaFile.c_str(), "r")) {
      while (X509* certificate = PEM_read_bio_X509(file, nullptr, nullptr, nullptr)) {
        X509_STORE_add_cert(store, certificate);  // a duplicate of a system one is refused
        X509_free(certificate);
        ++added;
      }
      BIO_free(file);
    }
    ERR_clear_error();  // the end of the file reads as an error
    if (added == 0) {
      X509_STORE_free(store);
      log(LogLevel::warning, "Cannot read certificate authorities from \"" + extraCaFile +
                                 "\"; trusting the system's certificate authorities only");
      return nullptr;
    }
    return std::unique_ptr<ExtraTrust>(new ExtraTrust(store));
  }
  ~ExtraTrust() { X509_STORE_free(store_); }
  ExtraTrust(const ExtraTrust&) = delete;
  ExtraTrust& operator=(const ExtraTrust&) = delete;

  // Makes the transfer's new connections verify against this store; false when libcurl is
  // not built with OpenSSL.
  bool applyTo(CURL* easy) const {
    return curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &ExtraTrust::install) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, store_) == CURLE_OK;
  }

 private:
  explicit ExtraTrust(X509_STORE* store) : store_(store) {}

  // Replaces the connection's store (libcurl's, possibly shared with other connections)
  // rather than adding to it, so the extra authorities never reach any other host.
  static CURLcode install(CURL*, void* sslContext, void* store) {
    auto* trusted = static_cast<X509_STORE*>(store);
    if (X509_STORE_up_ref(trusted) != 1) return CURLE_SSL_CACERT_BADFILE;
    SSL_CTX_set_cert_store(static_cast<SSL_CTX*>(sslContext), trusted);
    return CURLE_OK;
  }

  X509_STORE* store_;
};

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
    log(LogLevel::warning,
        std::string("A network completion threw and was ignored: ") + error.what());
  } catch (...) {
    log(LogLevel::warning, "A network completion threw and was ignored");
  }
}

struct Pending {
  UrlRequest request;
  UrlLoadCompletion completion;
  long redirects = 0;  // followed so far
};

bool isRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The request a same-origin redirect continues with: 307 and 308 repeat it at the new
// address; the others, like browsers, turn a POST into a GET without body.
void redirect(UrlRequest& request, long status, std::string location) {
  request.url = std::move(location);
  if (status == 307 || status == 308) return;
  if (status != 303 && request.method != "POST") return;
  request.method = "GET";
  request.body.clear();
  std::erase_if(request.headers,
                [](const std::string& header) { return header.rfind("Content-Type:", 0) == 0; });
}

bool sameOrigin(const std::string& from, const std::string& to) {
  auto origin = HttpUrl::parse(from);
  auto target = HttpUrl::parse(to);
  return origin && target && origin->origin() == target->origin();
}

// Easy handles of finished transfers, kept for the next ones: a handle keeps its buffers, so
// a request does not pay for making and freeing one. Loader thread only.
class EasyHandlePool {
 public:
  EasyHandlePool() = default;
  EasyHandlePool(const EasyHandlePool&) = delete;
  EasyHandlePool& operator=(const EasyHandlePool&) = delete;
  ~EasyHandlePool() {
    for (CURL* easy : idle_) curl_easy_cleanup(easy);
  }

  // A handle with every option at its default; null when none can be made.
  CURL* take() {
    if (idle_.empty()) return curl_easy_init();
    CURL* easy = idle_.back();
    idle_.pop_back();
    curl_easy_reset(easy);
    return easy;
  }
  // Takes back a handle that is in no multi handle.
  void give(CURL* easy) {
    if (idle_.size() < kIdleEasyHandles) {
      idle_.push_back(easy);
    } else {
      curl_easy_cleanup(easy);
    }
  }

 private:
  std::vector<CURL*> idle_;
};

// One request in flight: its easy handle and everything libcurl points into.
struct Transfer {
  EasyHandlePool* handles = nullptr;
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
    if (easy != nullptr) handles->give(easy);
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
  explicit State(Options options) : options(std::move(options)) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  const Options options;
  // Loader thread only, like the transfers that use it; null: the system's authorities only.
  std::unique_ptr<ExtraTrust> extraTrust;
  curl_slist* connectTo = nullptr;
  std::string noProxy = noProxyList();

  CURLM* multi = nullptr;
  std::thread thread;

  // Guards the queues and `stopping`, every wakeup of `multi`, and its setting (null until the
  // loader thread has made it).
  std::mutex mutex;
  std::deque<Pending> queued;
  std::deque<std::function<void()>> tasks;
  bool stopping = false;
  bool completePendingOnStop = true;
  std::atomic<bool> warmingUp{false};

  // Loader thread only; the pool outlives the transfers that hand their handles back.
  EasyHandlePool handles;
  std::list<Transfer> active;

  void run();
  void startTransfer(Pending pending);
  void finishTransfer(CURL* easy, CURLcode code);
  UrlLoadResult resultOf(Transfer& transfer, CURLcode code) const;
  bool followRedirect(Transfer& transfer);
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
  transfer.handles = &handles;
  transfer.easy = handles.take();
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
  // Redirects are the loader's own decision (followRedirect), never libcurl's.
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
  long timeout = static_cast<long>(options.timeout.count());
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (systemCaFolderIsHashed()) {
    // The system's authorities looked up by hash rather than libcurl's bundle read whole.
    curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
    curl_easy_setopt(easy, CURLOPT_CAPATH, kSystemCaFolder);
  }
  if (extraTrust && extraCaAppliesTo(request.url)) {
    if (extraTrust->applyTo(easy)) {
      // The store replaces the one libcurl would read from its own bundle for each new TLS
      // context: reading that bundle too would parse the system's authorities a second time
      // (tens of milliseconds before the first request, and a second store in memory).
      curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
      curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    } else {
      log(LogLevel::warning,
          "The extra certificate authority needs libcurl built with OpenSSL; not trusted");
    }
  }
  if (connectTo != nullptr) curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo);
  curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.c_str());
  // No Accept-Encoding: answers are a few kilobytes, and compressing each one costs the
  // server more time than the bytes it saves on the way (brotli alone took milliseconds).
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
  } else if (request.method == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);  // no body follows the answer's headers
  } else {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers);

  if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
    complete(transfer.pending, {std::nullopt, {}, "cannot start the transfer"});
    active.pop_back();
  }
}

UrlLoadResult UrlLoader::State::resultOf(Transfer& transfer, CURLcode code) const {
  UrlLoadResult result;
  if (code == CURLE_OK) {
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    result.statusCode = status;
    result.body = std::move(transfer.received);
  } else if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
    result.failure = "answer larger than " + std::to_string(options.maxResponseBytes) + " bytes";
  } else {
    result.failure = transfer.errorText[0] != '\0' ? transfer.errorText : curl_easy_strerror(code);
    if (code == CURLE_PEER_FAILED_VERIFICATION && extraTrust &&
        !extraCaAppliesTo(transfer.pending.request.url)) {
      result.failure += " (the extra certificate authority is trusted for staging hosts only)";
    }
  }
  return result;
}

// Restarts the transfer at the redirect's target when it stays within the origin; completes
// it without an answer when it does not. False when the answer is not a redirect.
bool UrlLoader::State::followRedirect(Transfer& transfer) {
  long status = 0;
  char* target = nullptr;
  curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_URL, &target);
  if (!isRedirect(status) || target == nullptr) return false;
  std::string location(target);
  Pending pending = std::move(transfer.pending);
  active.remove_if([&transfer](const Transfer& candidate) { return &candidate == &transfer; });
  if (!sameOrigin(pending.request.url, location)) {
    complete(pending,
             {std::nullopt,
              {},
              "refused a redirect to " + HttpUrl::withoutSecrets(location) + " (another origin)"});
  } else if (++pending.redirects > kMaxRedirects) {
    complete(pending,
             {std::nullopt, {}, "more than " + std::to_string(kMaxRedirects) + " redirects"});
  } else {
    redirect(pending.request, status, std::move(location));
    startTransfer(std::move(pending));
  }
  return true;
}

void UrlLoader::State::finishTransfer(CURL* easy, CURLcode code) {
  Transfer* transfer = nullptr;
  curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
  curl_multi_remove_handle(multi, easy);
  if (code == CURLE_OK && followRedirect(*transfer)) return;
  complete(transfer->pending, resultOf(*transfer, code));
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
  curl_slist_free_all(connectTo);
  connectTo = nullptr;
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

void UrlLoader::stopSharedLoader() {
  if (UrlLoader* loader = sharedLoader.load()) loader->stop(false);
}

UrlLoader& UrlLoader::shared() {
  // Never destroyed, so a late caller during exit meets a stopped loader rather than a
  // destroyed one; the thread itself is stopped and joined by the exit handler.
  static UrlLoader* loader = [] {
    auto* instance = new UrlLoader(optionsFromEnvironment());
    sharedLoader = instance;
    std::atexit(&UrlLoader::stopSharedLoader);
    return instance;
  }();
  return *loader;
}

UrlLoader::UrlLoader() : UrlLoader(Options()) {}

UrlLoader::UrlLoader(Options options) : state_(std::make_shared<State>(std::move(options))) {
  for (const auto& entry : state_->options.connectToForTesting) {
    state_->connectTo = curl_slist_append(state_->connectTo, entry.c_str());
  }
  // libcurl and OpenSSL start, and the trust store is read, on the loader thread: together they
  // take milliseconds to tens of milliseconds, which the thread that makes the loader (the GUI
  // thread, when a checkout opens) must not pay. Requests queued meanwhile wait in the queue.
  state_->thread = std::thread([state = state_] {
    ensureCurlInitialized();
    CURLM* multi = curl_multi_init();
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
    // Like a platform URL loader: a few connections per host, further requests wait for one.
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, kMaxConnectionsPerHost);
    // Idle connections stay cached for reuse however few transfers are running.
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, kConnectionCacheSize);
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->multi = multi;  // from now on a queued request wakes it
    }
    if (!state->options.extraCaFile.empty()) {
      state->extraTrust = ExtraTrust::load(state->options.extraCaFile);
    }
    state->run();
  });
}

UrlLoader::~UrlLoader() { stop(true); }

void UrlLoader::stop(bool completePending) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopping) return;
    state_->stopping = true;
    state_->completePendingOnStop = completePending;
    if (state_->multi != nullptr) curl_multi_wakeup(state_->multi);
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
  if (state_->multi != nullptr) curl_multi_wakeup(state_->multi);
}

void UrlLoader::post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->stopping) return;
  state_->tasks.push_back(std::move(task));
  if (state_->multi != nullptr) curl_multi_wakeup(state_->multi);
}

void UrlLoader::warmUp(const std::string& url) {
  if (state_->warmingUp.exchange(true)) return;
  UrlRequest request;
  request.method = "HEAD";
  request.url = url;
  // The completion runs on the loader's thread, which holds the state while it runs.
  load(std::move(request), [state = state_.get(),
                            shown = HttpUrl::withoutSecrets(url)](UrlLoadResult result) {
    state->warmingUp = false;
    if (result.answered()) {
      log("Warm-up: connected to " + shown + " (HTTP " + std::to_string(*result.statusCode) + ")");
    } else {
      log(LogLevel::warning, "Warm-up: cannot reach " + shown + ": " + result.failure);
    }
  });
}

}  // namespace tarvel::detail
