// No network at all: the test runs itself again inside a fresh network namespace (unshare -n),
// where only a loopback interface exists and there is no route out. There the component's own
// reachability answer must be false, the shopper sees "No Network", and nothing is sent.
#include <cstdio>  // printf

#include <QProcess>
#include <QStandardPaths>

#include "FlowDriving.h"
#include "UniqueMarker.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::test {
namespace {

using detail::Alert;
using NoNetworkTests = FlowTest;

constexpr const char* kChildVariable = "TARVEL_NO_NETWORK_CHILD";

TEST_F(NoNetworkTests, AFlowWithoutAnyNetworkShowsNoNetworkAndSendsNothing) {
  if (const char* passMarker = std::getenv(kChildVariable)) {
    // Inside the namespace: the real reachability probe, a UPI order, a sandbox on loopback
    // that must hear nothing.
    InternetConnectionManager::setProbe(nullptr);
    ASSERT_FALSE(InternetConnectionManager::isConnectedToNetwork());
    const bool serving = startPlatform();
    if (!serving) std::printf("note: loopback is down here; nothing can be sent anyway\n");
    startHost(serving ? platformOrigin() : "http://127.0.0.1:9/", kClientTimeout);
    checkout_->openCart(orderFor(Flow::upiTiles));
    QPointer<ViewController> screen = windowNavigation()->topViewController();
    ASSERT_TRUE(processEventsUntil([] {
      for (Alert* alert : Alert::openAlerts()) {
        if (alert->title() == "Alert" && alert->message() == "No Network") return true;
      }
      return false;
    }));
    ASSERT_TRUE(leaveByBack(screen));
    ASSERT_TRUE(processEventsUntil([&] { return !host_->outcomes().empty() && screen.isNull(); }));
    settle();
    ASSERT_EQ(host_->outcomes().size(), 1u);
    EXPECT_FALSE(host_->outcomes()[0].status);
    EXPECT_EQ(service_->issued(), 0u);
    EXPECT_EQ(serving ? platform_->clientConnections() : 0u, 0u);
    if (!HasFailure()) std::printf("%s\n", passMarker);
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
  child.start(unshare, {"-n", "sh", "-c",
                        "command -v ip >/dev/null && ip link set lo up; exec \"$0\" \"$@\"",
                        QCoreApplication::applicationFilePath(),
                        "--gtest_filter=NoNetworkTests.AFlowWithoutAnyNetworkShowsNoNetworkAnd"
                        "SendsNothing"});
  ASSERT_TRUE(child.waitForStarted(10000));
  ASSERT_TRUE(child.waitForFinished(100000)) << "the run inside the namespace did not end";
  const std::string output = child.readAll().toStdString();
  if (child.exitCode() != 0 && output.find("unshare") != std::string::npos &&
      output.find("Operation not permitted") != std::string::npos) {
    GTEST_SKIP() << "unshare is not permitted here (needs root or user namespaces): " << output;
  }
  EXPECT_EQ(child.exitCode(), 0) << output;
  EXPECT_NE(output.find(marker), std::string::npos) << output;
}

}  // namespace
}  // namespace tarvel::test
