// No network at all: the test runs itself again inside a fresh network namespace (unshare -n),
// where only a loopback interface exists and there is no route out. There the component's own
// reachability answer must be false, the shopper sees "No Network", and nothing is sent.
#include <cstdio>   // printf
#include <cstdlib>  // getenv
#include <memory>   // make_shared, make_unique
#include <string>   // string

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMainWindow>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "CountingService.h"
#include "FlowDriving.h"
#include "LoopbackServer.h"
#include "QtWait.h"
#include "UniqueMarker.h"
#include "platform/Alert.h"
#include "platform/KeyWindow.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {
namespace {

using detail::Alert;

constexpr const char* kChildVariable = "TARVEL_NO_NETWORK_CHILD";
constexpr const char* kTestName =
    "NoNetworkTests.AFlowWithoutAnyNetworkShowsNoNetworkAndSendsNothing";

// Inside the namespace: the real reachability probe, a UPI order, a server on loopback that
// must hear nothing.
void runInsideTheNamespace(const std::string& passMarker) {
  InternetConnectionManager::setProbe(nullptr);
  ASSERT_FALSE(InternetConnectionManager::isConnectedToNetwork());

  LoopbackServer server;
  server.answerJson("POST", "/v1/order/verify", 200, R"({"data": {"total": "1"}})");
  const bool serving = server.start();
  if (!serving) std::printf("note: loopback is down here; nothing can be sent anyway\n");
  auto service = installCountedService(
      serving ? server.baseUrl() : std::string("http://127.0.0.1:9/"), kClientTimeout);
  auto host = std::make_shared<RecordingHost>();
  auto window = showHostWindow();
  {
    TarvelCheckout checkout(false, host);
    checkout.setViewModel(std::make_shared<VerifyOTPViewModel>(service, Dictionary::object()));
    checkout.openCart(orderFor(Flow::upiTiles));
    auto* screen = qobject_cast<CheckoutScreen*>(windowNavigation()->topViewController());
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(processEventsUntil([] {
      for (Alert* alert : Alert::openAlerts()) {
        if (alert->title() == "Alert" && alert->message() == "No Network") return true;
      }
      return false;
    }));
    settle();
    EXPECT_EQ(service->issued(), 0u);
    if (serving) {
      EXPECT_EQ(server.requestCount(), 0u);
    }

    for (Alert* alert : Alert::openAlerts()) alert->triggerAction("Ok");
    settle();
    QPointer<CheckoutScreen> guarded(screen);
    backButtonOf(screen)->click();
    settle();
    for (Alert* alert : Alert::openAlerts()) alert->triggerAction("OK");
    ASSERT_TRUE(processEventsUntil([&] { return !host->taken().empty() && guarded.isNull(); }));
    settle();
    ASSERT_EQ(host->taken().size(), 1u);
    EXPECT_FALSE(host->taken()[0].first);
    EXPECT_EQ(service->issued(), 0u);
    if (serving) {
      EXPECT_EQ(server.requestCount(), 0u);
    }
  }
  window.reset();
  delete detail::KeyWindow::ownWindow();
  detail::ScreenFactory::setShared(nullptr);
  settle();
  if (!::testing::Test::HasFailure()) std::printf("%s\n", passMarker.c_str());
}

TEST(NoNetworkTests, AFlowWithoutAnyNetworkShowsNoNetworkAndSendsNothing) {
  if (const char* marker = std::getenv(kChildVariable)) {
    runInsideTheNamespace(marker);
    return;
  }
  const QString unshare = QStandardPaths::findExecutable("unshare");
  if (unshare.isEmpty()) GTEST_SKIP() << "unshare is not installed: cannot make a namespace";

  // Loopback starts down in a new namespace; `ip` brings it up where it is installed.
  const std::string marker = uniqueMarker("no-network-passed");
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kChildVariable, QString::fromStdString(marker));
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(
      unshare,
      {"-n", "sh", "-c", "command -v ip >/dev/null && ip link set lo up; exec \"$0\" \"$@\"",
       QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=") + kTestName});
  ASSERT_TRUE(child.waitForStarted(10000));
  ASSERT_TRUE(child.waitForFinished(100000)) << "the run inside the namespace did not end";
  const std::string output = child.readAll().toStdString();
  if (child.exitCode() != 0 && output.find("unshare") != std::string::npos &&
      output.find("Operation not permitted") != std::string::npos) {
    GTEST_SKIP() << "unshare -n is not permitted here (needs root or user namespaces): " << output;
  }
  EXPECT_EQ(child.exitCode(), 0) << output;
  EXPECT_NE(output.find(marker), std::string::npos) << output;
}

}  // namespace
}  // namespace tarvel::test
