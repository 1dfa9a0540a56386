#pragma once

#include <chrono>   // milliseconds
#include <memory>   // shared_ptr, make_shared
#include <string>   // string
#include <utility>  // move

#include "network/UrlLoader.h"
#include "tarvel/APIService.h"

namespace tarvel::test {

/// A loader of its own for one test: short time-out, optional extra trusted authority.
inline std::shared_ptr<detail::UrlLoader> makeLoader(
    std::chrono::milliseconds timeout = std::chrono::milliseconds(5000),
    std::string extraCaFile = {}) {
  detail::UrlLoader::Options options;
  options.timeout = timeout;
  options.extraCaFile = std::move(extraCaFile);
  return std::make_shared<detail::UrlLoader>(std::move(options));
}

/// The real service with its two base URLs pointed at a test server.
class RedirectedAPIService : public APIService {
 public:
  RedirectedAPIService(std::shared_ptr<detail::UrlLoader> loader, std::string apiBase,
                       std::string analyticsBase)
      : APIService(std::move(loader)),
        apiBase_(std::move(apiBase)),
        analyticsBase_(std::move(analyticsBase)) {}

  std::string baseUrl() const override { return apiBase_; }
  std::string appAnalyticsBaseUrl() const override { return analyticsBase_; }

 private:
  std::string apiBase_;
  std::string analyticsBase_;
};

}  // namespace tarvel::test
