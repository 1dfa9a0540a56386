#include "AnalyticsEndpoints.h"

#include "HttpJson.h"

namespace tarvel::sandbox {

AnalyticsEndpoints::AnalyticsEndpoints(PlatformState& state) : state_(state) {}

void AnalyticsEndpoints::install(httplib::Server& server, const std::string& prefix) {
  server.Post(prefix + "api/v1/events",
              [this](const auto& request, auto& response) { storeEvent(request, response); });
  server.Get(prefix + "api/analytics/events",
             [this](const auto&, auto& response) { listEvents(response); });
}

void AnalyticsEndpoints::storeEvent(const httplib::Request& request, httplib::Response& response) {
  auto event = HttpJson::objectBody(request, response);
  if (!event) return;
  const std::string name = HttpJson::text(*event, "name").value_or("?");
  const std::size_t count = state_.events.add(std::move(*event));
  state_.say("analytics event \"" + name + "\" stored");
  HttpJson::send(response, 200, {{"data", {{"stored", true}, {"count", count}}}});
}

void AnalyticsEndpoints::listEvents(httplib::Response& response) {
  const auto events = state_.events.all();
  HttpJson::send(response, 200, {{"data", {{"events", events}, {"count", events.size()}}}});
}

}  // namespace tarvel::sandbox
