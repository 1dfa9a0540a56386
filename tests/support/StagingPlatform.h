#pragma once

#include <chrono>   // milliseconds
#include <memory>   // shared_ptr, make_shared
#include <string>   // string
#include <utility>  // move
#include <vector>   // vector

#include "LoopbackServer.h"
#include "TestCertificateAuthority.h"
#include "config/HttpUrl.h"
#include "network/UrlLoader.h"
#include "tarvel/Config.h"

namespace tarvel::test {

/// An HTTPS server on 127.0.0.1 that a loader reaches under the real staging API host name and
/// under the real production API host name (libcurl's connect-to: TLS still checks the name
/// the URL gives). Its certificate, from a test authority, names both hosts, so only the
/// loader's trust decides whether an answer is accepted.
///
///   test::StagingPlatform platform;
///   platform.server().answerJson("POST", "/v1/user/verify-otp", 200, "{}");
///   ASSERT_TRUE(platform.start());
///   APIService service(platform.loader());  // the configured staging base URL, unchanged
///
/// Tests skip themselves with `usesDefaultHosts()` false: an overridden staging API host is
/// not one the certificate names.
class StagingPlatform {
 public:
  StagingPlatform()
      : staging_(*detail::HttpUrl::parse(Config::devBaseURL())),
        production_(*detail::HttpUrl::parse(Config::baseURL())),
        authority_({staging_.host(), production_.host()}),
        server_(authority_.serverTls()) {}

  static bool usesDefaultHosts() {
    return Config::devBaseURL() == "https://staging-api.tarvel.in/";
  }

  LoopbackServer& server() { return server_; }
  const TestCertificateAuthority& authority() const { return authority_; }
  bool start() { return authority_.isValid() && server_.start(); }

  /// libcurl's CURLOPT_CONNECT_TO entries that send both host names to the server.
  std::vector<std::string> connectTo() const {
    std::vector<std::string> entries;
    for (const auto* url : {&staging_, &production_}) {
      entries.push_back(url->host() + ":" + std::to_string(url->port()) +
                        ":127.0.0.1:" + std::to_string(server_.port()));
    }
    return entries;
  }

  /// A loader that trusts `caFile` as the extra authority (the test authority by default)
  /// and connects both host names to the server.
  std::shared_ptr<detail::UrlLoader> loader(
      std::string caFile, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
    detail::UrlLoader::Options options;
    options.timeout = timeout;
    options.extraCaFile = std::move(caFile);
    options.connectToForTesting = connectTo();
    return std::make_shared<detail::UrlLoader>(std::move(options));
  }
  std::shared_ptr<detail::UrlLoader> loader() const { return loader(authority_.caFile()); }

 private:
  detail::HttpUrl staging_;
  detail::HttpUrl production_;
  TestCertificateAuthority authority_;
  LoopbackServer server_;
};

}  // namespace tarvel::test
