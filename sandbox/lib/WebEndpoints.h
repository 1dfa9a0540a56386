#pragma once

#include <string>  // string

#include <httplib.h>

#include "FaultInjection.h"
#include "PlatformState.h"

namespace tarvel::sandbox {

/// The web host: serves the hosted checkout page "custom.html" (spoiled as the "moid" query
/// value's scenario asks) and takes its payments on
/// "pay", so the platform holds an order as paid before the page tells the app.
class WebEndpoints {
 public:
  WebEndpoints(PlatformState& state, FaultInjection& faults);

  /// Registers the routes under `prefix` (e.g. "/web/").
  void install(httplib::Server& server, const std::string& prefix);

 private:
  /// POST "pay" with the page's order identifiers ("tarvel_oid", "mid", "moid", "order_type",
  /// "request_id"): pays the order with that "tarvel_oid", or else the one under (mid, moid),
  /// made on the spot (like a verification) when there is none. Answers {"data": summary}.
  void pay(const httplib::Request& request, httplib::Response& response);

  PlatformState& state_;
  FaultInjection& faults_;
};

}  // namespace tarvel::sandbox
