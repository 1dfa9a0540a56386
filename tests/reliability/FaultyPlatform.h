#pragma once

#include <chrono>              // seconds
#include <condition_variable>  // condition_variable
#include <map>                 // map
#include <memory>              // unique_ptr, make_unique, make_shared
#include <mutex>               // mutex
#include <string>              // string
#include <vector>              // vector

#include "LoopbackServer.h"
#include "SilentServer.h"
#include "TestCertificateAuthority.h"

namespace tarvel::test {

/// What goes wrong with the platform's answer at one endpoint.
enum class Fault {
  down,            ///< the platform answers the steps before, then stops listening
  refused,         ///< nothing ever listens: every connection is refused
  reset,           ///< the answer breaks off halfway and the connection closes
  slow,            ///< the answer comes after the client's time-out
  status500Valid,  ///< status 500 with the body a good answer has
  status500Text,   ///< status 500 with a plain-text error page
  notJson,         ///< status 200, a body that is not JSON
  notObject,       ///< status 200, a JSON array
  noData,          ///< status 200, an object without "data"
  gigantic,        ///< status 200, a body of several mebibytes
  notUtf8,         ///< status 200, JSON with bytes that are not UTF-8
  illTyped,        ///< status 200, the expected shape with every field of the wrong type
  untrusted,       ///< HTTPS with a certificate from an authority nobody trusts
};

/// A fault, its name in the printed table, the start of the log line that explains it on an
/// API call and on the hosted checkout page (empty where the answer itself is usable), and the
/// faulted answer: its status, and its content type and body where they are not a working
/// platform's (`pageBody` for the page where it differs from `body`). The ill-typed, gigantic
/// and cut-off answers and the transport faults are made in `FaultyPlatform::answer`.
struct FaultInfo {
  Fault fault;
  const char* name;
  const char* apiExplanation;
  const char* pageExplanation;
  int status = 200;
  const char* contentType = nullptr;
  const char* body = nullptr;
  const char* pageBody = nullptr;
};

inline const std::vector<FaultInfo>& allFaults() {
  static const std::vector<FaultInfo> faults = {
      {Fault::down, "server down mid-flow", "No answer from ", "did not load"},
      {Fault::refused, "connection refused", "No answer from ", "did not load"},
      {Fault::reset, "reset mid-answer", "No answer from ", "did not load"},
      {Fault::slow, "slower than time-out", "No answer from ", ""},
      {Fault::status500Valid, "500, valid body", "", "", 500},
      {Fault::status500Text, "500, text body", "Answer from ", "answered with HTTP status 500", 500,
       "text/plain", "Internal Server Error"},
      {Fault::notJson, "not JSON", "Answer from ", "", 200, "text/html",
       "<html><body>Bad gateway</body></html>"},
      {Fault::notObject, "JSON not an object", "Answer from ", "", 200, "application/json",
       R"([{"data": {"accepted": true}}, 2, 3])"},
      {Fault::noData, "object without data", "Answer from ", "", 200, "application/json",
       R"({"status": true, "message": "accepted"})"},
      {Fault::gigantic, "gigantic body", "No answer from ", ""},
      {Fault::notUtf8, "not UTF-8", "Answer from ", "", 200, nullptr,
       "{\"data\": {\"total\": \"\xff\xfe\xfd\", \"msg\": {\"heading\": \"\xc3\x28\"}}}",
       "<html><body>\xff\xfe\xfd checkout</body></html>"},
      {Fault::illTyped, "every field ill-typed", "", ""},
      {Fault::untrusted, "untrusted certificate", "No answer from ", "did not load"}};
  return faults;
}

/// A stand-in payment platform on 127.0.0.1 for one flow and one fault: every endpoint gives
/// the answer a working platform gives, except `faultedPath`, which gives `fault`. The hosted
/// checkout page lives at "/custom.html" and posts "onSuccess" once the bridge is there.
///
///   FaultyPlatform platform("/v1/order/verify", allFaults()[6]);
///   ASSERT_TRUE(platform.start());
///   service = LoopbackAPIService(platform.baseUrl(), {}, loader);
///
/// `Fault::refused` starts no server (`baseUrl()` is a closed port); `Fault::down` is turned on
/// by `goDown()` when the test has reached the faulted step; `Fault::slow` holds its answer
/// until the client has given up (the destructor lets it go).
class FaultyPlatform {
 public:
  FaultyPlatform(std::string faultedPath, const FaultInfo& info)
      : faultedPath_(std::move(faultedPath)),
        info_(info),
        authority_(info.fault == Fault::untrusted ? std::make_unique<TestCertificateAuthority>()
                                                  : nullptr),
        server_(authority_ ? std::make_unique<LoopbackServer>(authority_->serverTls())
                           : std::make_unique<LoopbackServer>()) {
    for (const char* path :
         {"POST /v1/order/verify", "POST /v1/payment/capture", "POST /v1/user/send-otp",
          "POST /v1/user/resend-otp", "POST /v1/user/verify-otp", "POST /api/v1/events",
          "GET /v2/rto/track", "GET /custom.html"}) {
      const std::string route = path;
      const std::string method = route.substr(0, route.find(' '));
      server_->route(method, route.substr(method.size() + 1),
                     [this](const httplib::Request& request, httplib::Response& response) {
                       answer(request, response);
                     });
    }
  }
  ~FaultyPlatform() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;  // lets held slow answers go
    }
    changed_.notify_all();
    server_->stop();
  }

  bool start() {
    if (info_.fault == Fault::refused) {
      baseUrl_ = SilentServer::closedPortUrl();
      return true;
    }
    if ((authority_ && !authority_->isValid()) || !server_->start()) return false;
    baseUrl_ = server_->baseUrl();
    return true;
  }
  /// "http(s)://127.0.0.1:<port>/".
  const std::string& baseUrl() const { return baseUrl_; }
  /// The platform stops listening (for `Fault::down`, once the earlier steps are done).
  void goDown() { server_->stop(); }
  /// Whether a request for `path` arrived, faulted or not.
  bool received(const std::string& path) const {
    for (const auto& request : server_->requests()) {
      if (request.path == path) return true;
    }
    return false;
  }

 private:
  // A working platform's answer at `path`, for the order in `request`.
  static std::string goodAnswer(const std::string& path, const httplib::Request& request) {
    const Dictionary sent = Dictionary::parse(request.body, nullptr, false);
    // Answers name the order they are about, so concurrent flows can be told apart.
    const std::string moid =
        sent.is_object() ? sent.value("moid", std::string()) : request.get_param_value("moid");
    if (path == "/v1/order/verify") {
      Dictionary data = {{"tarvel_oid", "tvl-fault"}, {"msg", {{"heading", "Success!"}}}};
      if (sent.is_object() && sent.value("order_type", "") == "upi") {
        data.update({{"auth_token", "tok-fault"},
                     {"uapp", {"phonepe"}},
                     {"u_link", "upi://pay?pa=shop@upi&am=499.00"},
                     {"qrCode", "data:image/png;base64,"},
                     {"total", "499.00"}});
      } else {
        data.update(
            {{"total", "1499"}, {"merchant_user_verified", false}, {"otp_verified", nullptr}});
      }
      data["moid"] = moid;
      return Dictionary{{"data", data}}.dump();
    }
    if (path == "/v1/payment/capture") {
      return R"({"data": {"tarvel_oid": "tvl-fault"}, "payment_status": "PENDING"})";
    }
    if (path == "/v1/user/verify-otp") {
      return Dictionary{
          {"statusCode", 200}, {"statusMessage", "OTP verified"}, {"data", {{"moid", moid}}}}
          .dump();
    }
    if (path == "/custom.html") {
      return postingPage(
          "{status: 'PAID', moid: new URLSearchParams(location.search).get('moid')}");
    }
    return Dictionary{{"data", {{"accepted", true}, {"moid", moid}}}}.dump();
  }

  static std::string postingPage(const std::string& body) {
    return R"(<!DOCTYPE html><html><body><p>checkout</p><script>
      function post() {
        const handlers = window.webkit && window.webkit.messageHandlers;
        if (!(handlers && handlers.onSuccess)) return setTimeout(post, 50);
        handlers.onSuccess.postMessage()" +
           body + R"();
      }
      post();
    </script></body></html>)";
  }

  // The faulted answer's body; sets its content type where it is not the path's own.
  std::string faultedBody(const httplib::Request& request, std::string& contentType) const {
    const bool page = faultedPath_ == "/custom.html";
    if (info_.contentType) contentType = info_.contentType;
    if (info_.body) return page && info_.pageBody ? info_.pageBody : info_.body;
    if (info_.fault == Fault::gigantic) {
      std::string pad(3u * 512u * 1024u, 'x');  // above the client's 1 MiB cap
      return page ? "<html><body>" + pad + "</body></html>"
                  : R"({"data": {"pad": ")" + pad + R"("}})";
    }
    if (info_.fault != Fault::illTyped) return goodAnswer(faultedPath_, request);
    if (page) return postingPage("42");
    static const std::map<std::string, std::string> illTyped = {
        {"/v1/order/verify",
         R"({"data": {"tarvel_oid": 7, "auth_token": [1], "uapp": "phonepe", "u_link": 5,
             "qrCode": {"png": 1}, "total": 499, "msg": "Failed!",
             "merchant_user_verified": "no", "otp_verified": "maybe", "order_type": 3}})"},
        {"/v1/payment/capture",
         R"({"data": {"payment_status": 1}, "payment_status": ["PAID"], "tarvel_oid": 3})"},
        {"/v1/user/verify-otp", R"({"statusCode": "200", "statusMessage": 404, "data": "verified",
             "otp_verified": "yes"})"},
        {"/v2/rto/track",
         R"({"data": {"tracked": "yes", "moid": 5, "events": "none"}, "message": 7})"}};
    return illTyped.at(faultedPath_);
  }

  void answer(const httplib::Request& request, httplib::Response& response) {
    const bool faulted = request.path == faultedPath_;
    std::string contentType =
        request.path == "/custom.html" ? "text/html; charset=utf-8" : "application/json";
    std::string body =
        faulted ? faultedBody(request, contentType) : goodAnswer(request.path, request);
    if (faulted && info_.fault == Fault::slow) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait_for(lock, std::chrono::seconds(20), [&] { return released_; });
    }
    if (faulted && info_.fault == Fault::reset) {
      // Announces the whole body, sends half of it, then drops the connection.
      auto shared = std::make_shared<std::string>(std::move(body));
      response.set_content_provider(
          shared->size(), contentType,
          [shared](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset == 0) sink.write(shared->data(), shared->size() / 2);
            return false;
          });
      return;
    }
    response.status = faulted ? info_.status : 200;
    // Each platform lives for one flow: clients need not keep connections to it.
    response.set_header("Connection", "close");
    response.set_content(body, contentType);
  }

  std::string faultedPath_;
  FaultInfo info_;
  std::unique_ptr<TestCertificateAuthority> authority_;
  std::unique_ptr<LoopbackServer> server_;
  std::string baseUrl_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool released_ = false;
};

}  // namespace tarvel::test
