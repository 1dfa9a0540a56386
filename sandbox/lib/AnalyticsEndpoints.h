#pragma once

#include <string>  // string

#include <httplib.h>

#include "PlatformState.h"

namespace tarvel::sandbox {

/// The analytics host: stores every event posted to "api/v1/events" and lists them on
/// "api/analytics/events".
class AnalyticsEndpoints {
 public:
  explicit AnalyticsEndpoints(PlatformState& state);

  /// Registers the routes under `prefix` (e.g. "/analytics/").
  void install(httplib::Server& server, const std::string& prefix);

 private:
  void storeEvent(const httplib::Request& request, httplib::Response& response);
  void listEvents(httplib::Response& response);

  PlatformState& state_;
};

}  // namespace tarvel::sandbox
