#pragma once

#include <chrono>   // milliseconds
#include <memory>   // shared_ptr, make_shared
#include <string>   // string
#include <utility>  // move

#include "network/UrlLoader.h"
#include "tarvel/APIService.h"

namespace tarvel::test {

/// The real `APIService` with its two base URLs pointed at a test server instead of the
/// configured hosts; everything else (requests, loader, answer handling) is the component's.
///
///   tarvel::test::LoopbackAPIService service(server.baseUrl());  // both bases on one server
///   service.verifyOtp(params, recorder.completion());
///
/// A null loader means the process-wide one.
class LoopbackAPIService : public APIService {
 public:
  explicit LoopbackAPIService(std::string api, std::string analytics = {},
                              std::shared_ptr<detail::UrlLoader> loader = nullptr)
      : APIService(std::move(loader)),
        api_(std::move(api)),
        analytics_(analytics.empty() ? api_ : std::move(analytics)) {}

  std::string baseUrl() const override { return api_; }
  std::string appAnalyticsBaseUrl() const override { return analytics_; }

 private:
  std::string api_;
  std::string analytics_;
};

/// A loader of a test's own, with a time-out that suits the test.
inline std::shared_ptr<detail::UrlLoader> loopbackLoader(
    std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  detail::UrlLoader::Options options;
  options.timeout = timeout;
  return std::make_shared<detail::UrlLoader>(std::move(options));
}

}  // namespace tarvel::test
