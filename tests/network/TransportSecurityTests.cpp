// Whom the component talks to over TLS: only a current certificate for a staging host, from the
// extra authority the loader was given, is accepted (as the redirect and warm-up tests and every
// suite against the sandbox are); an expired one, one for another host, the same authority for a
// production host, or no readable authority at all is refused with one completion that says why.
// Settings that other tools read to turn verification off change nothing.
#include <chrono>   // seconds
#include <memory>   // make_shared
#include <string>   // string
#include <utility>  // move
#include <vector>   // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv, unsetenv

#include "CompletionRecorder.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
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

// Both API hosts reach one loopback server; the environment picks which one is called.
TEST(TransportSecurityTests, EveryOtherCertificateIsRefusedBeforeTheRequestLeaves) {
  if (!test::LoopbackServer::usesDefaultHosts()) GTEST_SKIP() << "staging host overridden";
  struct Case {
    const char* name;
    bool certificateNamesTheHosts;
    Validity validity;
    Environment environment;
    const char* caFile;   // nullptr: the authority that signed the certificate
    const char* refusal;  // what the log says
  };
  const std::vector<Case> cases = {
      {"expired", true, Validity::expired, Environment::staging, nullptr, "certificate"},
      {"for another host", false, Validity::current, Environment::staging, nullptr, "certificate"},
      {"production host", true, Validity::current, Environment::production, nullptr,
       "trusted for staging hosts only"},
      {"no authority", true, Validity::current, Environment::staging, "", "certificate"},
      {"unreadable authority", true, Validity::current, Environment::staging, "/nonexistent/ca.pem",
       "/nonexistent/ca.pem"}};
  for (const auto& setting : kInsecureSettings) ::setenv(setting.first, setting.second, 1);
  const detail::HttpUrl staging = *detail::HttpUrl::parse(Config::devBaseURL());
  const detail::HttpUrl production = *detail::HttpUrl::parse(Config::baseURL());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestCertificateAuthority authority(
        c.certificateNamesTheHosts ? std::vector<std::string>{staging.host(), production.host()}
                                   : std::vector<std::string>{"elsewhere.example"},
        c.validity);
    ASSERT_TRUE(authority.isValid());
    test::LoopbackServer server(authority.serverTls());
    server.answerJson("POST", "/v1/user/verify-otp", 200, R"({"status": true})");
    ASSERT_TRUE(server.start());

    detail::UrlLoader::Options options = detail::UrlLoader::optionsFromEnvironment();
    options.timeout = 10s;
    options.extraCaFile = c.caFile ? c.caFile : authority.caFile();
    for (const auto* host : {&staging, &production}) {
      options.connectToForTesting.push_back(host->host() + ":" + std::to_string(host->port()) +
                                            ":127.0.0.1:" + std::to_string(server.port()));
    }
    NetworkManager::setEnvironment(c.environment);
    test::LogCapture log;
    test::CompletionRecorder recorder;
    {
      APIService service(std::make_shared<detail::UrlLoader>(std::move(options)));
      service.verifyOtp({{"otp", "1234"}}, recorder.completion());
      ASSERT_TRUE(recorder.waitForCall());
    }  // the loader stops here: anything still pending would have completed by now
    NetworkManager::setEnvironment(Environment::staging);
    EXPECT_EQ(recorder.callCount(), 1u);
    EXPECT_EQ(recorder.last().error, APIError::noNetwork);
    EXPECT_EQ(server.requestCount(), 0u);  // the body (and its OTP) never left
    EXPECT_TRUE(
        log.contains("No answer from " + Config::apiBaseURL(c.environment) + "v1/user/verify-otp"));
    EXPECT_TRUE(log.contains(c.refusal)) << log.text();
  }
  for (const auto& setting : kInsecureSettings) ::unsetenv(setting.first);
}

}  // namespace
}  // namespace tarvel
