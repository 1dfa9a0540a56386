#include <gtest/gtest.h>

#include <string>  // string

#include "CompletionRecorder.h"
#include "LoopbackServer.h"
#include "NetworkTestSupport.h"
#include "TestCertificateAuthority.h"
#include "tarvel/Config.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;

// "https://api.tarvel.in/" -> "api.tarvel.in"
std::string hostOf(const std::string& baseUrl) {
  auto start = baseUrl.find("://") + 3;
  return baseUrl.substr(start, baseUrl.find('/', start) - start);
}

class EnvironmentRoutingTests : public ::testing::Test {
 protected:
  void TearDown() override { NetworkManager::setEnvironment(Environment::staging); }
};

TEST_F(EnvironmentRoutingTests, StartsAsStagingAndTheLastWriterWins) {
  APIService service;
  EXPECT_EQ(NetworkManager::environment(), Environment::staging);
  EXPECT_EQ(service.baseUrl(), Config::devBaseURL());
  EXPECT_EQ(service.appAnalyticsBaseUrl(), Config::devAppAnalyticsBaseURL());

  NetworkManager::setEnvironment(Environment::production);
  EXPECT_EQ(service.baseUrl(), "https://api.tarvel.in/");
  EXPECT_EQ(service.appAnalyticsBaseUrl(), "https://analytics.tarvel.in/");

  NetworkManager::setEnvironment(Environment::staging);
  EXPECT_EQ(service.baseUrl(), Config::devBaseURL());
}

// The real base URLs, with every connection sent to a loopback HTTPS server whose certificate
// names the platform's hosts: the Host header shows where each request was meant to go.
TEST_F(EnvironmentRoutingTests, EachEnvironmentReachesItsOwnApiAndAnalyticsHosts) {
  const bool stagingOverridden = Config::devBaseURL().rfind("https://staging-", 0) != 0 ||
                                 Config::devAppAnalyticsBaseURL().rfind("https://staging-", 0) != 0;
  test::TestCertificateAuthority authority(
      {hostOf(Config::baseURL()), hostOf(Config::appAnalyticsBaseURL()),
       hostOf(Config::devBaseURL()), hostOf(Config::devAppAnalyticsBaseURL())});
  ASSERT_TRUE(authority.isValid());
  test::LoopbackServer server(authority.serverTls());
  server.answerJson("POST", ".*", 200, R"({"data": {}})");
  server.answerJson("GET", ".*", 200, R"({"data": {}})");
  ASSERT_TRUE(server.start());

  {
    detail::UrlLoader::Options options;
    options.timeout = 5s;
    options.extraCaFile = authority.caFile();
    options.connectToForTesting = {"::127.0.0.1:" + std::to_string(server.port())};
    APIService service(std::make_shared<detail::UrlLoader>(options));

    auto callAll = [&] {
      test::CompletionRecorder recorder;
      service.verifyPaymentData({}, recorder.completion());
      ASSERT_TRUE(recorder.waitForCalls(1));
      service.appAnalytics({}, recorder.completion());
      ASSERT_TRUE(recorder.waitForCalls(2));
      service.completeOrder({}, recorder.completion());
      ASSERT_TRUE(recorder.waitForCalls(3));
      for (const auto& call : recorder.calls()) EXPECT_EQ(call.error, std::nullopt);
    };

    NetworkManager::setEnvironment(Environment::production);
    callAll();
    if (!stagingOverridden) {
      NetworkManager::setEnvironment(Environment::staging);
      callAll();
    }
  }

  auto requests = server.requests();
  ASSERT_EQ(requests.size(), stagingOverridden ? 3u : 6u);
  EXPECT_EQ(requests[0].header("Host"), "api.tarvel.in");
  EXPECT_EQ(requests[0].path, "/v1/order/verify");
  EXPECT_EQ(requests[1].header("Host"), "analytics.tarvel.in");
  EXPECT_EQ(requests[1].path, "/api/v1/events");
  EXPECT_EQ(requests[2].header("Host"), "api.tarvel.in");
  EXPECT_EQ(requests[2].path, "/v2/rto/track");
  if (!stagingOverridden) {
    EXPECT_EQ(requests[3].header("Host"), "staging-api.tarvel.in");
    EXPECT_EQ(requests[4].header("Host"), "staging-analytics.tarvel.in");
    EXPECT_EQ(requests[5].header("Host"), "staging-api.tarvel.in");
  }
}

}  // namespace
}  // namespace tarvel
