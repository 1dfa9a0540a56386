#pragma once

#include <cstdint>   // uint32_t
#include <optional>  // optional
#include <string>    // string
#include <utility>   // move, exchange
#include <vector>    // vector

#include <gtest/gtest.h>

#include "tarvel/InternetConnectionManager.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel::test {

/// Records every call and sends nothing; the test runs a call's completion when it likes.
/// Running it drops it from the record, so whatever it captured is released. Single-threaded.
class FakeAPIService final : public VXAPIServiceProtocol {
 public:
  struct Call {
    std::string operation;
    Dictionary params;
    APICompletion complete;
  };
#define TARVEL_FAKE_CALL(name)                                           \
  void name(const Dictionary& params, APICompletion complete) override { \
    calls.push_back({#name, params, std::move(complete)});               \
  }
  TARVEL_FAKE_CALL(verifyPaymentData)
  TARVEL_FAKE_CALL(checkPaymentStatus)
  TARVEL_FAKE_CALL(sendOtp)
  TARVEL_FAKE_CALL(reSendOtp)
  TARVEL_FAKE_CALL(verifyOtp)
  TARVEL_FAKE_CALL(completeOrder)
  TARVEL_FAKE_CALL(appAnalytics)
#undef TARVEL_FAKE_CALL

  void complete(std::size_t index, const std::optional<Dictionary>& response,
                std::optional<APIError> error = std::nullopt) {
    ASSERT_LT(index, calls.size());
    ASSERT_TRUE(calls[index].complete) << "call " << index << " already completed";
    std::exchange(calls[index].complete, nullptr)(true, response, error);
  }
  void completeLast(const std::optional<Dictionary>& response,
                    std::optional<APIError> error = std::nullopt) {
    complete(calls.size() - 1, response, error);
  }

  std::vector<Call> calls;
};

/// Pins the reachability answer for one test and restores the real probe afterwards.
struct ScopedReachability {
  explicit ScopedReachability(bool online) {
    const std::optional<uint32_t> flags = online ? InternetConnectionManager::kReachable : 0u;
    InternetConnectionManager::setProbe([flags] { return flags; });
  }
  ~ScopedReachability() { InternetConnectionManager::setProbe({}); }
};

}  // namespace tarvel::test
