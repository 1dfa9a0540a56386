#pragma once

#include <memory>  // shared_ptr
#include <string>  // string

#include "tarvel/Export.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace tarvel {

namespace detail {
class UrlLoader;
}  // namespace detail

/// The component's HTTP client for the payment platform and its analytics host.
///
/// Every operation returns at once and completes exactly once, on the URL loader's background
/// thread, with the success flag true and:
/// - the answer dictionary (the whole answer or its "data" object, per operation), or
/// - `APIError::dataNotFound` when the answer is not a JSON object of the expected shape (not
///   JSON, not an object, no object under "data" where the operation hands that over), or
///   when the request could not be made (a base URL that is not a URL, parameters that cannot
///   be written as JSON), or
/// - `APIError::noNetwork` when no answer arrives (connection refused, time-out, TLS or other
///   transport failure, a redirect to another origin, an answer over 1 MiB).
/// The HTTP status code decides nothing: a 500 whose body is {"data": {}} is accepted.
/// `appAnalyticsGet` is the exception: it discards its answer and never completes.
///
/// The service keeps no request state; one instance serves any number of overlapping calls.
/// An empty completion is allowed and simply not called.
class TARVEL_CHECKOUT_EXPORT APIService : public VXAPIServiceProtocol {
 public:
  /// Sends through the process-wide URL loader.
  APIService() = default;
  /// Sends through `loader` (tests use one with their own time-out or trusted authorities).
  TARVEL_CHECKOUT_NO_EXPORT explicit APIService(std::shared_ptr<detail::UrlLoader> loader);
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

 private:
  detail::UrlLoader& loader() const;

  std::shared_ptr<detail::UrlLoader> loader_;  // null: the shared loader
};

}  // namespace tarvel
