#pragma once

#include <string>  // string

#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel {

/// The component's HTTP client for the payment platform and its analytics host.
///
/// Every operation returns at once and completes exactly once, on the URL loader's background
/// thread: with the answer dictionary, with `APIError::dataNotFound` when the answer is not a
/// JSON object of the expected shape, or with `APIError::noNetwork` when no answer arrives
/// (connection refused, time-out, transport failure). The HTTP status code decides nothing.
/// The service holds no state; one instance serves any number of overlapping calls.
class APIService : public VXAPIServiceProtocol {
 public:
  APIService() = default;
  ~APIService() override = default;

  void completeOrder(const Dictionary& params, APICompletion complete) override;

  /// The platform API base of the current environment (`NetworkManager`), read on every call.
  virtual std::string baseUrl() const;
  /// The analytics base of the current environment, read on every call.
  virtual std::string appAnalyticsBaseUrl() const;

  /// GET "api/analytics/events" on the analytics host. The answer is discarded and `complete`
  /// is never called.
  virtual void appAnalyticsGet(const Dictionary& params, APICompletion complete);

  void appAnalytics(const Dictionary& params, APICompletion complete) override;
  void verifyPaymentData(const Dictionary& userData, APICompletion complete) override;
  void checkPaymentStatus(const Dictionary& params, APICompletion complete) override;
  void sendOtp(const Dictionary& params, APICompletion complete) override;
  void reSendOtp(const Dictionary& params, APICompletion complete) override;
  void verifyOtp(const Dictionary& params, APICompletion complete) override;
};

}  // namespace tarvel
