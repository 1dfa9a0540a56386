#include <gtest/gtest.h>

#include <filesystem>  // exists, path
#include <fstream>     // ifstream
#include <future>      // async
#include <iterator>    // istreambuf_iterator

#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::RunningSandbox;
using testing::TemporaryFolder;

SandboxOptions httpsOptions() {
  auto options = RunningSandbox::plainOptions();
  options.https = true;
  return options;
}

TEST(SandboxServerTests, BasesShareOneOriginOnTheLoopbackAndEndWithASlash) {
  RunningSandbox sandbox;
  auto& server = sandbox.server();
  ASSERT_GT(server.port(), 0);
  EXPECT_EQ(server.origin(), "http://127.0.0.1:" + std::to_string(server.port()));
  EXPECT_EQ(server.apiBaseUrl(), server.origin() + "/api/");
  EXPECT_EQ(server.analyticsBaseUrl(), server.origin() + "/analytics/");
  EXPECT_EQ(server.webBaseUrl(), server.origin() + "/web/");
  EXPECT_EQ(server.controlBaseUrl(), server.origin() + "/control/");
  EXPECT_TRUE(server.caFile().empty());
}

TEST(SandboxServerTests, HttpsIsTrustedThroughItsOwnCertificateAuthorityOnly) {
  RunningSandbox sandbox(httpsOptions());
  auto& server = sandbox.server();
  EXPECT_EQ(server.origin().rfind("https://127.0.0.1:", 0), 0u);
  ASSERT_TRUE(std::filesystem::exists(server.caFile()));
  std::ifstream pem(server.caFile());
  const std::string text((std::istreambuf_iterator<char>(pem)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("-----BEGIN CERTIFICATE-----"), std::string::npos);

  const auto trusted = sandbox.post("/api/v1/order/verify", {{"moid", "tls-1"}});
  EXPECT_EQ(trusted.status, 200) << trusted.raw;

  // The server certificate names localhost too.
  httplib::Client byName("https://localhost:" + std::to_string(server.port()));
  byName.set_ca_cert_path(server.caFile().c_str());
  byName.set_connection_timeout(5);
  const auto named = byName.Get("/web/custom.html");
  ASSERT_TRUE(named) << httplib::to_string(named.error());
  EXPECT_EQ(named->status, 200);

  // Without the sandbox's CA the certificate is refused.
  httplib::Client untrusting(server.origin());
  untrusting.set_connection_timeout(5);
  const auto refused = untrusting.Get("/web/custom.html");
  EXPECT_FALSE(refused);
}

TEST(SandboxServerTests, CertificatesGoToTheStateFolderWhenGivenAndTemporaryOnesAreRemoved) {
  TemporaryFolder folder;
  auto options = httpsOptions();
  options.stateDir = folder.path() / "state";
  std::string temporaryCa;
  {
    RunningSandbox kept(options);
    EXPECT_EQ(std::filesystem::path(kept.server().caFile()), folder.path() / "state" / "ca.pem");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "state" / "server.pem"));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "state" / "server-key.pem"));
    RunningSandbox temporary(httpsOptions());
    temporaryCa = temporary.server().caFile();
    EXPECT_TRUE(std::filesystem::exists(temporaryCa));
  }
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "state" / "ca.pem"));
  EXPECT_FALSE(std::filesystem::exists(temporaryCa));
}

TEST(SandboxServerTests, HostedPageReadsItsQueryAndPostsThroughTheBridge) {
  RunningSandbox sandbox;
  httplib::Client client(sandbox.server().origin());
  const auto page = client.Get(
      "/web/custom.html?order_type=cod&mid=m1&moid=42&environment=sandbox"
      "&request_id=r9&tarvel_oid=g7");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("Content-Type").rfind("text/html", 0), 0u);
  const std::string& html = page->body;
  for (const char* needed :
       {"<!DOCTYPE html>", "URLSearchParams", "window.webkit", "messageHandlers", "postMessage",
        "\"onSuccess\"", "\"onFailure\"", "auto-success", "auto-failure", "\"order_type\"",
        "\"mid\"", "\"moid\"", "\"environment\"", "\"request_id\"", "\"tarvel_oid\"",
        "setTimeout"}) {
    EXPECT_NE(html.find(needed), std::string::npos) << needed;
  }
  // Query values reach the page as text only.
  EXPECT_EQ(html.find("innerHTML"), std::string::npos);
}

TEST(SandboxServerTests, StoppingDoesNotWaitForASlowAnswer) {
  auto options = RunningSandbox::plainOptions();
  options.slowDelay = std::chrono::minutes(10);
  RunningSandbox sandbox(options);
  auto pending = std::async(std::launch::async, [&] {
    return sandbox.post("/api/v1/order/verify", {{"moid", "slow-1"}});
  });
  // Let the request reach its delay before stopping.
  for (int i = 0; i < 500 && sandbox.consoleLines().empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  sandbox.server().stop();
  ASSERT_EQ(pending.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(pending.get().status, 200);
}

TEST(SandboxServerTests, RefusesAPortThatIsTaken) {
  RunningSandbox first;
  auto options = RunningSandbox::plainOptions();
  options.port = first.server().port();
  SandboxServer second(options);
  EXPECT_FALSE(second.start());
  EXPECT_NE(second.error().find("cannot listen"), std::string::npos);
}

}  // namespace
}  // namespace tarvel::sandbox
