#pragma once

#include <string>  // string

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "FaultInjection.h"
#include "PlatformState.h"

namespace tarvel::sandbox {

/// The platform API the component calls: order verification, payment capture, OTP send,
/// resend and verify, and RTO tracking. Each answer goes out through the order's scenario.
class ApiEndpoints {
 public:
  ApiEndpoints(PlatformState& state, FaultInjection& faults);

  /// Registers the routes under `prefix` (e.g. "/api/").
  void install(httplib::Server& server, const std::string& prefix);

 private:
  void verifyOrder(const httplib::Request& request, httplib::Response& response);
  void capturePayment(const httplib::Request& request, httplib::Response& response);
  void sendOtp(const httplib::Request& request, httplib::Response& response, bool resend);
  void verifyOtp(const httplib::Request& request, httplib::Response& response);
  void trackRto(const httplib::Request& request, httplib::Response& response);

  /// The verify answer's "data" for a stored order.
  nlohmann::json verifyData(const Order& order) const;
  /// The scenario of the order with this moid, or the one its name selects.
  Scenario scenarioForMoid(const std::string& moid) const;

  PlatformState& state_;
  FaultInjection& faults_;
};

}  // namespace tarvel::sandbox
