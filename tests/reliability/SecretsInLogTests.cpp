// Secrets never reach the log: full flows against the sandbox platform (UPI by QR code until
// paid, cash on delivery with the OTP the sandbox issued, the hosted web checkout, RTO
// tracking), with every line the component logs and every Qt message captured, then searched
// for the auth token the sandbox issued, for the OTP it sent and for the shopper's phone. The
// orders are "chatty": the platform's answers carry the token under other key names as well,
// the phone under other keys and in a note, and the OTP in a text message.
//
// The process runs one sandbox platform over HTTPS, started before anything reads the
// component's configuration, with the staging API, analytics and page hosts and the trusted CA
// pointed at it. Reachability is pinned to online.
#include <algorithm>  // any_of
#include <cstdio>     // fprintf
#include <random>     // random_device

#include <QWebEnginePage>
#include <QWebEngineView>

#include "FlowDriving.h"
#include "LogCapture.h"
#include "QtTestMain.h"
#include "SandboxServer.h"
#include "UniqueMarker.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/TarvelChekoutViewModel.h"

namespace tarvel::test {
namespace {

sandbox::SandboxServer* sandboxPlatform = nullptr;  // owned by main() through prepareTestProcess

// Qt's own messages (the component's category included), from the start.
std::mutex qtMutex;
std::vector<std::string> qtMessages;

void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  std::lock_guard<std::mutex> lock(qtMutex);
  qtMessages.push_back(message.toStdString());
}

// The component's own screens and service, as a host runs them.
using SecretsInLogTests = FlowTest;

TEST_F(SecretsInLogTests, NeitherTheAuthTokenNorTheIssuedOtpIsLoggedInAnyFlow) {
  LogCapture log;
  detail::ScreenFactory::setShared(nullptr);
  detail::Application::setUrlSchemeRegistry(std::make_shared<InstalledSchemesRegistry>());
  showHostWindow();
  checkout_ = std::make_shared<TarvelCheckout>(false, host_);
  const std::string moid = uniqueMarker("secrets");
  const std::string phone = "9" + std::to_string(100000000 + std::random_device()() % 900000000);
  std::set<std::string> tokens;

  // UPI by QR code (no app installed), paid at the second status poll.
  Dictionary order = orderFor(Flow::upiQr, moid + "-upi");
  order.update({{"phone", phone}, {"sandbox_scenario", "paid-after-2,chatty"}});
  checkout_->openCart(order);
  QPointer<UpiCheckoutViewController> upi =
      qobject_cast<UpiCheckoutViewController*>(windowNavigation()->topViewController());
  ASSERT_TRUE(upi);
  ASSERT_TRUE(processEventsUntil([&] {
    return upi && upi->viewModel()->getOrderVerifyData().is_object() &&
           upi->viewModel()->getOrderVerifyData().contains("auth_token");
  }));
  tokens.insert(upi->viewModel()->getOrderVerifyData().value("auth_token", ""));
  for (int tick = 0; tick < 24 && host_->outcomes().empty(); ++tick) {
    clock_->advance(std::chrono::seconds(5));
    waitForOutcomes(1, std::chrono::seconds(2));
  }
  ASSERT_TRUE(waitForOutcomes(1));
  EXPECT_TRUE(host_->outcomes()[0].status);

  // Cash on delivery: the OTP the sandbox sent, typed and accepted.
  // The moid names the scenario: the OTP may be sent before the verification creates the order.
  const std::string codMoid = "chatty-" + moid + "-cod";
  order = orderFor(Flow::codOtp, codMoid);
  order["phone"] = phone;
  checkout_->openCart(order);
  QPointer<VerifyOTPViewController> cod =
      qobject_cast<VerifyOTPViewController*>(windowNavigation()->topViewController());
  ASSERT_TRUE(cod);
  ASSERT_TRUE(processEventsUntil([&] {
    return sandboxPlatform->lastOtp(codMoid, phone).has_value() && cod &&
           child(cod, "viewCODContainer")->isVisible();
  }));
  const std::string otp = *sandboxPlatform->lastOtp(codMoid, phone);
  ASSERT_EQ(otp.size(), 4u);
  typeOtpAndSubmit(cod, otp);
  ASSERT_TRUE(waitForOutcomes(2));
  EXPECT_TRUE(host_->outcomes()[1].status);
  EXPECT_EQ(host_->outcomes()[1].data.value("otp_verified", false), true);

  // The hosted web checkout: the shopper presses "Pay now" on the sandbox's page.
  checkout_->openCart(orderFor(Flow::web, moid + "-web"));
  QPointer<CustomeCheckout> web =
      qobject_cast<CustomeCheckout*>(windowNavigation()->topViewController());
  ASSERT_TRUE(web && web->webView());
  auto loaded = std::make_shared<bool>(false);
  QObject::connect(web->webView(), &QWebEngineView::loadFinished,
                   [loaded](bool ok) { *loaded = *loaded || ok; });
  ASSERT_TRUE(processEventsUntil([&] { return *loaded; }, std::chrono::seconds(60)));
  web->webView()->page()->runJavaScript("document.getElementById('pay').click()");
  ASSERT_TRUE(waitForOutcomes(3, std::chrono::seconds(60)));
  EXPECT_TRUE(host_->outcomes()[2].status);

  // RTO tracking, no screen.
  checkout_->openCart(orderFor(Flow::rto, moid + "-rto"));
  ASSERT_TRUE(waitForOutcomes(4));
  settle();

  // The tokens of every order the sandbox verified in these flows.
  for (const auto& outcome : host_->outcomes()) {
    const Dictionary& data = outcome.data;
    if (data.is_object() && data.contains("tarvel_oid") && data["tarvel_oid"].is_string()) {
      if (auto order = sandboxPlatform->order(data["tarvel_oid"].get<std::string>())) {
        tokens.insert(order->authToken);
      }
    }
  }
  tokens.erase("");
  ASSERT_FALSE(tokens.empty());

  // Everything logged, with the sandbox's origin taken out (its port is not a secret, and a
  // port may contain the OTP's four digits by chance).
  std::vector<std::string> lines = log.lines();
  {
    std::lock_guard<std::mutex> lock(qtMutex);
    lines.insert(lines.end(), qtMessages.begin(), qtMessages.end());
  }
  for (auto& line : lines) {
    const std::string origin = sandboxPlatform->origin();
    for (auto at = line.find(origin); at != std::string::npos; at = line.find(origin)) {
      line.erase(at, origin.size());
    }
  }
  ASSERT_GT(lines.size(), 10u);  // the flows did log
  for (const auto& line : lines) {
    EXPECT_EQ(line.find(phone), std::string::npos) << "phone number logged: " << line;
    for (const auto& token : tokens) {
      EXPECT_EQ(line.find(token), std::string::npos) << "auth token logged: " << line;
    }
    // The OTP is four digits, which an amount or a hexadecimal identifier may contain by
    // chance: it counts as leaked where it stands as the value of an OTP key.
    for (const std::string& leak :
         {"\"otp\":\"" + otp + "\"", "\"otp\": \"" + otp + "\"", "otp=" + otp, "\"otp\":" + otp,
          "\"otp\": " + otp, "\"otp_code\":\"" + otp, "OTP is " + otp}) {
      EXPECT_EQ(line.find(leak), std::string::npos) << "OTP logged: " << line;
    }
  }
  // The OTP did travel: the verification request carried it under "otp". The phone and the
  // text message were logged, masked.
  const std::string maskedPhone = "******" + phone.substr(6);
  for (const std::string& logged : {std::string("v1/user/verify-otp"), maskedPhone,
                                    std::string("Your Tarvel OTP is <redacted>")}) {
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(logged) != std::string::npos;
    })) << logged;
  }
}

}  // namespace

std::shared_ptr<void> prepareTestProcess() {
  sandbox::SandboxOptions options;
  options.https = true;
  auto server = std::make_shared<sandbox::SandboxServer>(options);
  if (!server->start()) {
    std::fprintf(stderr, "sandbox did not start: %s\n", server->error().c_str());
    std::abort();
  }
  setenv("TARVEL_STAGING_API_URL", server->apiBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_ANALYTICS_URL", server->analyticsBaseUrl().c_str(), 1);
  setenv("TARVEL_STAGING_WEB_URL", server->webBaseUrl().c_str(), 1);
  setenv("TARVEL_CA_FILE", server->caFile().c_str(), 1);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  InternetConnectionManager::setProbe([] { return InternetConnectionManager::kReachable; });
  qInstallMessageHandler(recordQtMessage);
  sandboxPlatform = server.get();
  return server;
}

}  // namespace tarvel::test
