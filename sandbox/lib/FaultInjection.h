#pragma once

#include <chrono>              // milliseconds
#include <condition_variable>  // condition_variable
#include <mutex>               // mutex

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "Scenario.h"

namespace tarvel::sandbox {

/// Sends an endpoint's answer the way the order's scenario asks: unchanged, late, with status
/// 500, as plain text, without "data", cut off mid-body, and so on (sandbox/README.md).
class FaultInjection {
 public:
  explicit FaultInjection(std::chrono::milliseconds slowDelay);

  void answer(const Scenario& scenario, Endpoint endpoint, int status, const nlohmann::json& body,
              httplib::Response& response);

  /// Sends the hosted checkout page `page` the way the scenario's "-web" fault asks; the faults
  /// about a JSON answer give a page that posts a spoiled result to the app instead.
  void answerPage(const Scenario& scenario, std::string_view page, httplib::Response& response);

  /// Ends every pending delay at once, so that stopping the server does not wait for them.
  void stop();

 private:
  void delay();

  const std::chrono::milliseconds slowDelay_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace tarvel::sandbox
