#pragma once

#include <string>  // string
#include <vector>  // vector

#include <curl/curl.h>

namespace tarvel::bench {

/// A bare libcurl client beneath the component's figures: one easy handle POSTing `body` to
/// `url`, synchronously on the calling thread, trusting `caFile` (a PEM bundle) when given.
/// Reused, it is the floor of a round trip over a kept-alive connection; new, the floor of a
/// client's first request (trust store read, connection and TLS handshake).
class BareCurlPost {
 public:
  BareCurlPost(const std::string& url, const std::string& body, const std::string& caFile,
               const std::vector<std::string>& connectTo = {})
      : body_(body) {
    easy_ = curl_easy_init();
    headers_ = curl_slist_append(headers_, "Content-Type: application/json");
    for (const auto& entry : connectTo) connectTo_ = curl_slist_append(connectTo_, entry.c_str());
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    if (!caFile.empty()) curl_easy_setopt(easy_, CURLOPT_CAINFO, caFile.c_str());
    if (connectTo_ != nullptr) curl_easy_setopt(easy_, CURLOPT_CONNECT_TO, connectTo_);
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.c_str());
    curl_easy_setopt(
        easy_, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* answer) {
          static_cast<std::string*>(answer)->append(data, size * count);
          return size * count;
        });
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &answer_);
  }
  ~BareCurlPost() {
    curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
    curl_slist_free_all(connectTo_);
  }
  BareCurlPost(const BareCurlPost&) = delete;
  BareCurlPost& operator=(const BareCurlPost&) = delete;

  bool post() {
    answer_.clear();
    return curl_easy_perform(easy_) == CURLE_OK && !answer_.empty();
  }

 private:
  std::string body_;
  std::string answer_;
  CURL* easy_ = nullptr;
  curl_slist* headers_ = nullptr;
  curl_slist* connectTo_ = nullptr;
};

}  // namespace tarvel::bench
