#pragma once

#include <string>  // string

#include <httplib.h>

#include "PlatformState.h"

namespace tarvel::sandbox {

/// What tests, scripts and the simulated UPI apps use to drive the platform: pay an order,
/// read the last OTP, list analytics events, look at an order, reset everything.
class ControlEndpoints {
 public:
  explicit ControlEndpoints(PlatformState& state);

  /// Registers the routes under `prefix` (e.g. "/control/").
  void install(httplib::Server& server, const std::string& prefix);

 private:
  void pay(const httplib::Request& request, httplib::Response& response);
  void lastOtp(const httplib::Request& request, httplib::Response& response);
  void order(const httplib::Request& request, httplib::Response& response);
  void events(httplib::Response& response);
  void reset(httplib::Response& response);

  PlatformState& state_;
};

}  // namespace tarvel::sandbox
