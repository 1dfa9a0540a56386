#include "FaultInjection.h"

#include <memory>   // make_shared
#include <string>   // string
#include <utility>  // move

#include "HttpJson.h"

namespace tarvel::sandbox {
namespace {

// Announces the whole body plus this many bytes, sends half the body and gives up, so the
// client sees the connection close before the announced length arrived.
constexpr std::size_t kMissingBytes = 512;
// The "gigantic" padding: well above what a client should accept from this platform.
constexpr std::size_t kGiganticBytes = 3 * 1024 * 1024;
constexpr const char* kJson = "application/json";
constexpr const char* kHtml = "text/html; charset=utf-8";

void sendCutOff(std::string body, const char* contentType, httplib::Response& response) {
  auto text = std::make_shared<std::string>(std::move(body));
  response.status = 200;
  response.set_content_provider(text->size() + kMissingBytes, contentType,
                                [text](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                  if (offset == 0) sink.write(text->data(), text->size() / 2);
                                  return false;  // aborts the answer and closes the connection
                                });
}

void sendServerErrorText(httplib::Response& response) {
  response.status = 500;
  response.set_content("Internal Server Error (sandbox scenario server-error-text)\n",
                       "text/plain");
}

// `value` with every value below the top given another type: strings become numbers, numbers,
// booleans and null become strings, arrays become objects; objects keep their keys.
nlohmann::json illTyped(const nlohmann::json& value, bool top = true) {
  if (value.is_object()) {
    nlohmann::json retyped = nlohmann::json::object();
    for (const auto& [key, item] : value.items()) retyped[key] = illTyped(item, false);
    return retyped;
  }
  if (top) return value;
  if (value.is_string()) return value.get<std::string>().size();
  if (value.is_array()) return {{"items", value.size()}};
  return value.is_null() ? std::string("null") : value.dump();
}

// A page that hands `result` (JavaScript) to the app's "onSuccess" bridge as soon as it is
// there, instead of the order's result.
std::string postingPage(const std::string& result) {
  return R"(<!DOCTYPE html><html><body><p>Sandbox checkout: spoiled result</p><script>
(function post(tries) {
  var handlers = window.webkit && window.webkit.messageHandlers;
  if (handlers && handlers.onSuccess) return handlers.onSuccess.postMessage()" +
         result + R"();
  if (tries < 200) setTimeout(function () { post(tries + 1); }, 50);
})(0);
</script></body></html>)";
}

}  // namespace

FaultInjection::FaultInjection(std::chrono::milliseconds slowDelay) : slowDelay_(slowDelay) {}

void FaultInjection::delay() {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, slowDelay_, [this] { return stopping_; });
}

void FaultInjection::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
}

void FaultInjection::answer(const Scenario& scenario, Endpoint endpoint, int status,
                            const nlohmann::json& body, httplib::Response& response) {
  switch (scenario.faultAt(endpoint)) {
    case Fault::none:
      HttpJson::send(response, status, body);
      return;
    case Fault::slow:
      delay();
      HttpJson::send(response, status, body);
      return;
    case Fault::serverError:
      HttpJson::send(response, 500, body);
      return;
    case Fault::notJson:
      response.status = 200;
      response.set_content("Service temporarily unavailable (sandbox scenario not-json)\n",
                           "text/plain");
      return;
    case Fault::noData:
      HttpJson::send(response, 200,
                     {{"status", false}, {"message", "sandbox scenario no-data: no data object"}});
      return;
    case Fault::dropConnection:
      sendCutOff(body.dump(), kJson, response);
      return;
    case Fault::serverErrorText:
      sendServerErrorText(response);
      return;
    case Fault::notObject:
      HttpJson::send(response, 200, nlohmann::json::array({body, 2, 3}));
      return;
    case Fault::gigantic:
      response.status = 200;
      response.set_content(R"({"data": {"pad": ")" + std::string(kGiganticBytes, 'x') + "\"}}",
                           kJson);
      return;
    case Fault::notUtf8:
      response.status = 200;
      response.set_content(
          "{\"data\": {\"total\": \"\xff\xfe\xfd\", \"msg\": {\"heading\": \"\xc3\x28\"}}}", kJson);
      return;
    case Fault::illTyped:
      HttpJson::send(response, status, illTyped(body));
      return;
  }
}

void FaultInjection::answerPage(const Scenario& scenario, std::string_view page,
                                httplib::Response& response) {
  std::string body(page);
  response.status = 200;
  switch (scenario.faultAt(Endpoint::web)) {
    case Fault::none:
      break;
    case Fault::slow:
      delay();
      break;
    case Fault::serverError:
      response.status = 500;
      break;
    case Fault::serverErrorText:
      sendServerErrorText(response);
      return;
    case Fault::notJson:
      body = postingPage("'PAID'");
      break;
    case Fault::noData:
      body = postingPage("{}");
      break;
    case Fault::notObject:
      body = postingPage("['PAID', 2, 3]");
      break;
    case Fault::illTyped:
      body = postingPage("{status: 7, payment_status: ['PAID'], moid: 5}");
      break;
    case Fault::gigantic:
      body = "<!DOCTYPE html><html><body><p>" + std::string(kGiganticBytes, 'x') +
             "</p></body></html>";
      break;
    case Fault::notUtf8:
      body = "<!DOCTYPE html><html><body><p>\xff\xfe\xfd checkout \xc3\x28</p></body></html>";
      break;
    case Fault::dropConnection:
      sendCutOff(std::move(body), kHtml, response);
      return;
  }
  response.set_header("Cache-Control", "no-store");
  response.set_content(body, kHtml);
}

}  // namespace tarvel::sandbox
