// The component's own service against the sandbox platform over HTTPS, configured the way a
// host runs against the sandbox: one sandbox for the process, named in the environment (staging
// URLs, extra CA) before the component reads its configuration, which it does once. The
// overrides' effect on the configuration (which texts may stand as a base URL: HttpUrlTests) and
// the connection kept across status polls; every operation end to end through the screens:
// tests/reliability.
#include <chrono>   // milliseconds, seconds
#include <memory>   // make_shared
#include <string>   // string
#include <utility>  // pair
#include <vector>   // vector

#include <stdlib.h>  // setenv

#include "CompletionRecorder.h"
#include "SandboxTestSupport.h"
#include "config/ExtraCaScope.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"

namespace tarvel {
namespace {

using sandbox::testing::replaceAll;

// The process's sandbox, named in the environment as a host names it; the page's override names
// the same server as localhost: another origin.
class NamedSandbox : public sandbox::testing::RunningSandbox {
 public:
  NamedSandbox()
      : RunningSandbox([](sandbox::SandboxOptions& options) {
          options.https = true;
          // The process-wide loader keeps its connection until exit; a stop waits for it.
          options.keepAlive = std::chrono::seconds(1);
        }) {
    const std::string api = server().apiBaseUrl();
    setenv("TARVEL_STAGING_API_URL", api.substr(0, api.size() - 1).c_str(), 1);
    setenv("TARVEL_STAGING_ANALYTICS_URL", server().analyticsBaseUrl().c_str(), 1);
    setenv("TARVEL_STAGING_WEB_URL",
           replaceAll(server().webBaseUrl(), "127.0.0.1", "localhost").c_str(), 1);
    setenv("TARVEL_CA_FILE", server().caFile().c_str(), 1);
  }
};

// Started by each test before anything reads the configuration.
sandbox::SandboxServer& platform() {
  static NamedSandbox sandbox;
  return sandbox.server();
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
  const sandbox::SandboxServer& server = platform();
  EXPECT_EQ(Config::devBaseURL(), server.apiBaseUrl());  // the closing slash is added
  EXPECT_EQ(Config::devWebCheckoutBaseURL(),
            replaceAll(server.webBaseUrl(), "127.0.0.1", "localhost"));
  const std::string port = std::to_string(server.port());
  const std::vector<std::pair<std::string, bool>> urls = {
      {server.apiBaseUrl() + "v1/order/verify", true},
      {"https://localhost:" + port + "/web/custom.html", true},
      {"https://localhost:" + port + "/elsewhere", true},  // the origin counts, not the path
      {"http://127.0.0.1:" + port + "/api/v1/order/verify", false},
      {"https://localhost:" + std::to_string(server.port() + 1) + "/web/custom.html", false},
      {"https://staging-api.tarvel.in/v1/order/verify", false},  // overridden away
      {"https://api.tarvel.in/v1/order/verify", false},          // production
  };
  for (const auto& [url, applies] : urls) {
    EXPECT_EQ(detail::extraCaAppliesTo(url), applies) << url;
  }
}

// A UPI flow polls the payment status up to 24 times; the platform keeps the connection open
// for all of them (and across the 5 seconds between polls), so the flow costs one TCP
// connection and one TLS handshake.
TEST(ComponentAgainstSandboxTests, TwentyFourStatusPollsMakeOneTlsHandshake) {
  const sandbox::SandboxServer& server = platform();
  APIService fresh(
      std::make_shared<detail::UrlLoader>(detail::UrlLoader::optionsFromEnvironment()));
  const std::size_t before = server.tlsHandshakes();
  const Dictionary verified = call(fresh, &APIService::verifyPaymentData,
                                   {{"order_type", "upi"}, {"mid", "m3"}, {"moid", "polls-24"}});
  const Dictionary capture = {{"tarvel_oid", verified["tarvel_oid"]},
                              {"auth_token", verified["auth_token"]}};
  for (int poll = 0; poll < 24; ++poll) {
    EXPECT_EQ(call(fresh, &APIService::checkPaymentStatus, capture)["payment_status"], "PENDING");
  }
  EXPECT_EQ(server.tlsHandshakes() - before, 1u);
}

}  // namespace
}  // namespace tarvel
