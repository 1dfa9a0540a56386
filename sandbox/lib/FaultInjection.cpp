#include "FaultInjection.h"

#include <memory>  // make_shared
#include <string>  // string

#include "HttpJson.h"

namespace tarvel::sandbox {
namespace {

// Announces the whole body plus this many bytes, sends half the body and gives up, so the
// client sees the connection close before the announced length arrived.
constexpr std::size_t kMissingBytes = 512;

void sendCutOff(const nlohmann::json& body, httplib::Response& response) {
  auto text = std::make_shared<std::string>(body.dump());
  response.status = 200;
  response.set_content_provider(text->size() + kMissingBytes, "application/json",
                                [text](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                  if (offset == 0) sink.write(text->data(), text->size() / 2);
                                  return false;  // aborts the answer and closes the connection
                                });
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
      sendCutOff(body, response);
      return;
  }
}

}  // namespace tarvel::sandbox
