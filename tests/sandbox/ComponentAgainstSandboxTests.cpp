// The component's own service against the sandbox platform over HTTPS, configured the way a
// host runs against the sandbox: main() starts one sandbox and points the staging URLs and the
// extra CA at it through the environment, before the component reads them. The overrides'
// effect on the configuration (which texts may stand as a base URL: HttpUrlTests) and the
// connection kept across status polls; every operation end to end through the screens:
// tests/reliability.
#include <chrono>   // milliseconds
#include <cstdio>   // fprintf
#include <memory>   // make_shared
#include <string>   // string
#include <utility>  // pair
#include <vector>   // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv

#include "CompletionRecorder.h"
#include "SandboxServer.h"
#include "config/ExtraCaScope.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"

namespace tarvel {
namespace {

sandbox::SandboxServer* platform = nullptr;  // set by main()

// The page's override names the same server as localhost: another origin.
std::string localhost(const std::string& url) {
  const std::string ip = "127.0.0.1";
  return url.substr(0, url.find(ip)) + "localhost" + url.substr(url.find(ip) + ip.size());
}

// Runs one operation and returns its single completion's dictionary.
template <typename Operation>
Dictionary call(APIService& service, Operation operation, const Dictionary& params) {
  test::CompletionRecorder recorder;
  (service.*operation)(params, recorder.completion());
  EXPECT_TRUE(recorder.waitForCall());
  EXPECT_FALSE(recorder.waitForCalls(2, std::chrono::milliseconds(50)));
  const auto result = recorder.last();
  EXPECT_FALSE(result.error.has_value()) << rawValue(*result.error);
  return result.response.value_or(Dictionary());
}

TEST(ComponentAgainstSandboxTests, OverridesNameTheStagingOriginsThatAloneTakeTheExtraAuthority) {
  EXPECT_EQ(Config::devBaseURL(), platform->apiBaseUrl());  // the closing slash is added
  EXPECT_EQ(Config::devWebCheckoutBaseURL(), localhost(platform->webBaseUrl()));
  // Production hosts ignore the overrides.
  EXPECT_EQ(Config::baseURL(), "https://api.tarvel.in/");
  EXPECT_EQ(Config::appAnalyticsBaseURL(), "https://analytics.tarvel.in/");
  EXPECT_EQ(Config::webCheckoutBaseURL(), "https://checkout.tarvel.in/");
  const std::string port = std::to_string(platform->port());
  const std::vector<std::pair<std::string, bool>> urls = {
      {platform->apiBaseUrl() + "v1/order/verify", true},
      {"https://localhost:" + port + "/web/custom.html", true},
      {"https://localhost:" + port + "/elsewhere", true},  // the origin counts, not the path
      {"http://127.0.0.1:" + port + "/api/v1/order/verify", false},
      {"https://localhost:" + std::to_string(platform->port() + 1) + "/web/custom.html", false},
      {"https://staging-api.tarvel.in/v1/order/verify", false},  // overridden away
      {"https://staging-analytics.tarvel.in/api/v1/events", false},
      {"https://api.tarvel.in/v1/order/verify", false},
      {"https://checkout.tarvel.in/custom.html", false},
  };
  for (const auto& [url, applies] : urls) {
    EXPECT_EQ(detail::extraCaAppliesTo(url), applies) << url;
  }
}

// A UPI flow polls the payment status up to 24 times; the platform keeps the connection open
// for all of them (and across the 5 seconds between polls), so the flow costs one TCP
// connection and one TLS handshake.
TEST(ComponentAgainstSandboxTests, TwentyFourStatusPollsMakeOneTlsHandshake) {
  APIService fresh(
      std::make_shared<detail::UrlLoader>(detail::UrlLoader::optionsFromEnvironment()));
  const std::size_t before = platform->tlsHandshakes();
  const Dictionary verified = call(fresh, &APIService::verifyPaymentData,
                                   {{"order_type", "upi"}, {"mid", "m3"}, {"moid", "polls-24"}});
  const Dictionary capture = {{"tarvel_oid", verified["tarvel_oid"]},
                              {"auth_token", verified["auth_token"]}};
  for (int poll = 0; poll < 24; ++poll) {
    EXPECT_EQ(call(fresh, &APIService::checkPaymentStatus, capture)["payment_status"], "PENDING");
  }
  EXPECT_EQ(platform->tlsHandshakes() - before, 1u);
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tarvel::sandbox::SandboxOptions options;
  options.https = true;
  // The process-wide loader keeps its connection until exit; stopping the server waits for it.
  options.keepAlive = std::chrono::seconds(1);
  tarvel::sandbox::SandboxServer server(options);
  if (!server.start()) {
    std::fprintf(stderr, "the sandbox did not start: %s\n", server.error().c_str());
    return 1;
  }
  const std::string api = server.apiBaseUrl();
  ::setenv("TARVEL_STAGING_API_URL", api.substr(0, api.size() - 1).c_str(), 1);
  ::setenv("TARVEL_STAGING_ANALYTICS_URL", server.analyticsBaseUrl().c_str(), 1);
  ::setenv("TARVEL_STAGING_WEB_URL", tarvel::localhost(server.webBaseUrl()).c_str(), 1);
  ::setenv("TARVEL_CA_FILE", server.caFile().c_str(), 1);
  tarvel::platform = &server;
  return RUN_ALL_TESTS();
}
