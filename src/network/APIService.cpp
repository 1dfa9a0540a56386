#include "tarvel/APIService.h"

#include <exception>  // exception
#include <optional>   // optional
#include <string>     // string
#include <utility>    // move

#include "config/HttpUrl.h"
#include "network/AnswerHandler.h"
#include "network/QueryString.h"
#include "network/UrlLoader.h"
#include "tarvel/Config.h"
#include "tarvel/Log.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

using detail::answerHandler;
using detail::AnswerShape;

// Completes a call that could not be sent, on the loader thread like every other completion.
void completeUnsent(detail::UrlLoader& loader, APICompletion complete) {
  if (!complete) return;
  loader.post(
      [complete = std::move(complete)] { complete(true, std::nullopt, APIError::dataNotFound); });
}

// `shape` nothing: the answer is discarded and `complete` never called.
void sendGet(detail::UrlLoader& loader, const std::string& endpoint, const Dictionary& params,
             std::optional<AnswerShape> shape, APICompletion complete) {
  auto query = detail::queryString(params);
  if (!query) {
    log(LogLevel::warning,
        "Request to " + endpoint + " not sent: a parameter cannot be written as text");
    completeUnsent(loader, std::move(complete));
    return;
  }
  std::string url = query->empty() ? endpoint : endpoint + "?" + *query;
  if (!detail::HttpUrl::parse(url)) {
    log(LogLevel::warning, "Request not sent: \"" + detail::HttpUrl::withoutSecrets(endpoint) +
                               "\" is not a valid URL");
    completeUnsent(loader, std::move(complete));
    return;
  }
  detail::UrlRequest request;
  request.method = "GET";
  request.url = std::move(url);
  if (shape) {
    loader.load(std::move(request), answerHandler(endpoint, *shape, std::move(complete)));
  } else {
    loader.load(std::move(request), [](const detail::UrlLoadResult&) {});
  }
}

void sendPost(detail::UrlLoader& loader, const std::string& url, const Dictionary& params,
              AnswerShape shape, APICompletion complete) {
  log(LogLevel::info, url);
  if (!detail::HttpUrl::parse(url)) {
    log(LogLevel::warning,
        "Request not sent: \"" + detail::HttpUrl::withoutSecrets(url) + "\" is not a valid URL");
    completeUnsent(loader, std::move(complete));
    return;
  }
  detail::UrlRequest request;
  request.method = "POST";
  request.url = url;
  request.headers = {"Content-Type: application/json"};
  try {
    request.body = params.dump();
  } catch (const std::exception& error) {
    log(LogLevel::warning, "Request to " + url +
                               " not sent: the parameters cannot be written as JSON (" +
                               error.what() + ")");
    completeUnsent(loader, std::move(complete));
    return;
  }
  loader.load(std::move(request), answerHandler(url, shape, std::move(complete)));
}

}  // namespace

APIService::APIService(std::shared_ptr<detail::UrlLoader> loader) : loader_(std::move(loader)) {}

detail::UrlLoader& APIService::loader() const {
  return loader_ ? *loader_ : detail::UrlLoader::shared();
}

std::string APIService::baseUrl() const {
  return Config::apiBaseURL(NetworkManager::environment());
}

std::string APIService::appAnalyticsBaseUrl() const {
  return Config::analyticsBaseURL(NetworkManager::environment());
}

void APIService::completeOrder(const Dictionary& params, APICompletion complete) {
  sendGet(loader(), baseUrl() + "v2/rto/track", params, AnswerShape::wholeObjectWithData,
          std::move(complete));
}

void APIService::appAnalyticsGet(const Dictionary& params, APICompletion) {
  sendGet(loader(), appAnalyticsBaseUrl() + "api/analytics/events", params, std::nullopt, nullptr);
}

void APIService::appAnalytics(const Dictionary& params, APICompletion complete) {
  sendPost(loader(), appAnalyticsBaseUrl() + "api/v1/events", params,
           AnswerShape::wholeObjectWithData, std::move(complete));
}

void APIService::verifyPaymentData(const Dictionary& userData, APICompletion complete) {
  sendPost(loader(), baseUrl() + "v1/order/verify", userData, AnswerShape::dataObject,
           std::move(complete));
}

void APIService::checkPaymentStatus(const Dictionary& params, APICompletion complete) {
  sendPost(loader(), baseUrl() + "v1/payment/capture", params, AnswerShape::wholeObjectWithData,
           std::move(complete));
}

void APIService::sendOtp(const Dictionary& params, APICompletion complete) {
  sendPost(loader(), baseUrl() + "v1/user/send-otp", params, AnswerShape::dataObject,
           std::move(complete));
}

void APIService::reSendOtp(const Dictionary& params, APICompletion complete) {
  sendPost(loader(), baseUrl() + "v1/user/resend-otp", params, AnswerShape::dataObject,
           std::move(complete));
}

void APIService::verifyOtp(const Dictionary& params, APICompletion complete) {
  sendPost(loader(), baseUrl() + "v1/user/verify-otp", params, AnswerShape::wholeObject,
           std::move(complete));
}

}  // namespace tarvel
