// Whom the component talks to over TLS: an expired certificate or one that names another host
// is refused even from an authority the component trusts, with one completion that says why;
// settings that other tools read to turn verification off change nothing.
#include <chrono>   // milliseconds
#include <memory>   // make_shared
#include <ostream>  // ostream
#include <string>   // string
#include <utility>  // move
#include <vector>   // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv, unsetenv

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "StagingPlatform.h"
#include "TestCertificateAuthority.h"
#include "config/HttpUrl.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"
#include "tarvel/NetworkManager.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using Validity = test::TestCertificateAuthority::Validity;

// Settings by which curl-based, OpenSSL-based and other tools are told to skip or widen
// verification; none of them is the component's.
const std::vector<std::pair<const char*, const char*>> kInsecureSettings = {
    {"CURL_CA_BUNDLE", ""},     {"CURL_SSL_NO_VERIFY", "1"}, {"GIT_SSL_NO_VERIFY", "1"},
    {"SSL_NO_VERIFY", "1"},     {"PYTHONHTTPSVERIFY", "0"},  {"NODE_TLS_REJECT_UNAUTHORIZED", "0"},
    {"TARVEL_TLS_VERIFY", "0"}, {"TARVEL_INSECURE", "1"}};

struct Case {
  const char* name;
  bool certificateNamesTheHost;
  Validity validity;
  bool accepted;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class TransportSecurityTests : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (!test::StagingPlatform::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
  }
  void TearDown() override {
    for (const auto& setting : kInsecureSettings) ::unsetenv(setting.first);
  }
};

// The staging API host, reached on a loopback server whose certificate comes from an authority
// the loader trusts for staging hosts.
TEST_P(TransportSecurityTests, OnlyACurrentCertificateForTheHostIsAccepted) {
  const Case& c = GetParam();
  for (const auto& setting : kInsecureSettings) ::setenv(setting.first, setting.second, 1);
  const detail::HttpUrl staging = *detail::HttpUrl::parse(Config::devBaseURL());
  test::TestCertificateAuthority authority(c.certificateNamesTheHost
                                               ? std::vector<std::string>{staging.host()}
                                               : std::vector<std::string>{"elsewhere.example"},
                                           c.validity);
  ASSERT_TRUE(authority.isValid());
  test::LoopbackServer server(authority.serverTls());
  server.answerJson("POST", "/v1/user/verify-otp", 200, R"({"status": true})");
  ASSERT_TRUE(server.start());

  detail::UrlLoader::Options options = detail::UrlLoader::optionsFromEnvironment();
  options.timeout = 10s;
  options.extraCaFile = authority.caFile();
  options.connectToForTesting = {staging.host() + ":" + std::to_string(staging.port()) +
                                 ":127.0.0.1:" + std::to_string(server.port())};
  NetworkManager::setEnvironment(Environment::staging);
  test::LogCapture log;
  test::CompletionRecorder recorder;
  {
    APIService service(std::make_shared<detail::UrlLoader>(std::move(options)));
    service.verifyOtp({{"otp", "1234"}}, recorder.completion());
    ASSERT_TRUE(recorder.waitForCall());
  }  // the loader stops here: anything still pending would have completed by now
  EXPECT_EQ(recorder.callCount(), 1u);
  if (c.accepted) {
    EXPECT_EQ(recorder.last().error, std::nullopt);
    EXPECT_EQ(server.requestCount(), 1u);
  } else {
    EXPECT_EQ(recorder.last().error, APIError::noNetwork);
    EXPECT_EQ(server.requestCount(), 0u);  // the body (and its OTP) never left
    EXPECT_TRUE(log.contains("No answer from " + Config::devBaseURL() + "v1/user/verify-otp"));
    EXPECT_TRUE(log.contains("certificate")) << log.text();
  }
}

INSTANTIATE_TEST_SUITE_P(Certificates, TransportSecurityTests,
                         ::testing::Values(Case{"CurrentForTheHost", true, Validity::current, true},
                                           Case{"Expired", true, Validity::expired, false},
                                           Case{"ForAnotherHost", false, Validity::current, false}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tarvel
