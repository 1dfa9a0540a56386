#include <gtest/gtest.h>

#include <atomic>     // atomic
#include <map>        // map
#include <stdexcept>  // runtime_error
#include <string>     // string
#include <thread>     // thread
#include <vector>     // vector

#include "network/RouteTable.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel {
namespace {

using Manager = InternetConnectionManager;

class ReachabilityTests : public ::testing::Test {
 protected:
  void TearDown() override { Manager::setProbe(nullptr); }
};

TEST_F(ReachabilityTests, ReachableWithoutConnectionRequiredIsConnected) {
  EXPECT_TRUE(Manager::isConnected(2));
  EXPECT_FALSE(Manager::isConnected(6));
  EXPECT_FALSE(Manager::isConnected(0));
  EXPECT_FALSE(Manager::isConnected(4));
  EXPECT_TRUE(Manager::isConnected(2 | (1u << 18)));  // the cellular bit changes nothing
  EXPECT_TRUE(Manager::isConnected(~4u));
  EXPECT_FALSE(Manager::isConnected(~2u));
}

TEST_F(ReachabilityTests, ProbeAnswerGoesThroughTheFlagRule) {
  Manager::setProbe([] { return std::optional<uint32_t>(Manager::kReachable); });
  EXPECT_TRUE(Manager::isConnectedToNetwork());
  Manager::setProbe(
      [] { return std::optional<uint32_t>(Manager::kReachable | Manager::kConnectionRequired); });
  EXPECT_FALSE(Manager::isConnectedToNetwork());
}

TEST_F(ReachabilityTests, ProbeFailureReadsAsNotConnected) {
  Manager::setProbe([] { return std::optional<uint32_t>(); });
  EXPECT_FALSE(Manager::isConnectedToNetwork());
  Manager::setProbe([]() -> std::optional<uint32_t> { throw std::runtime_error("no service"); });
  EXPECT_FALSE(Manager::isConnectedToNetwork());
}

TEST_F(ReachabilityTests, ProbeCanBeSwappedWhileOthersAsk) {
  std::atomic<bool> stop = false;
  std::vector<std::thread> askers;
  for (int i = 0; i < 4; ++i) {
    askers.emplace_back([&] {
      while (!stop) Manager::isConnectedToNetwork();
    });
  }
  for (int i = 0; i < 200; ++i) {
    Manager::setProbe([i] { return std::optional<uint32_t>(i % 2 == 0 ? 2u : 0u); });
  }
  Manager::setProbe([] { return std::optional<uint32_t>(2u); });
  stop = true;
  for (auto& asker : askers) asker.join();
  EXPECT_TRUE(Manager::isConnectedToNetwork());
}

const std::string kIpv4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const std::string kIpv4Default = kIpv4Header +
                                 "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n" +
                                 "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
const std::string kIpv4LocalOnly =
    kIpv4Header + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
// The kernel's own unreachable default route on lo, and a real one on eth0.
const std::string kIpv6LoReject =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
const std::string kIpv6Default =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";

detail::InterfaceFlags interfaces(std::map<std::string, uint32_t> flags) {
  return [flags](std::string_view name) -> std::optional<uint32_t> {
    auto it = flags.find(std::string(name));
    if (it == flags.end()) return std::nullopt;
    return it->second;
  };
}

TEST(RouteTableTests, DefaultRouteOnAnInterfaceThatIsUpIsReachable) {
  auto up = interfaces({{"eth0", 0x1003}, {"lo", 0x9}});
  EXPECT_EQ(detail::reachabilityFromRoutes(kIpv4Default, std::nullopt, up), 2u);
  EXPECT_EQ(detail::reachabilityFromRoutes(std::nullopt, kIpv6LoReject + kIpv6Default, up), 2u);
  EXPECT_EQ(detail::reachabilityFromRoutes(kIpv4LocalOnly, kIpv6Default, up), 2u);
}

TEST(RouteTableTests, NoUsableDefaultRouteIsNotReachable) {
  auto up = interfaces({{"eth0", 0x1003}, {"lo", 0x9}});
  EXPECT_EQ(detail::reachabilityFromRoutes(kIpv4LocalOnly, kIpv6LoReject, up), 0u);
  EXPECT_EQ(detail::reachabilityFromRoutes(kIpv4Header, "", up), 0u);
  // Interface down, or unknown.
  EXPECT_EQ(
      detail::reachabilityFromRoutes(kIpv4Default, std::nullopt, interfaces({{"eth0", 0x1002}})),
      0u);
  EXPECT_EQ(detail::reachabilityFromRoutes(kIpv4Default, std::nullopt, interfaces({})), 0u);
  // A default route through the loopback leads nowhere.
  const std::string viaLoopback =
      kIpv4Header + "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
  EXPECT_EQ(detail::reachabilityFromRoutes(viaLoopback, std::nullopt, up), 0u);
  // A route that is not up.
  const std::string routeDown =
      kIpv4Header + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
  EXPECT_EQ(detail::reachabilityFromRoutes(routeDown, std::nullopt, up), 0u);
}

TEST(RouteTableTests, UnreadableTablesAreAProbeFailure) {
  EXPECT_EQ(detail::reachabilityFromRoutes(std::nullopt, std::nullopt, interfaces({})),
            std::nullopt);
}

TEST(RouteTableTests, GarbageLinesAreSkipped) {
  auto up = interfaces({{"eth0", 0x1003}});
  const std::string garbage =
      kIpv4Header + "eth0 zz\n\n\t\t\neth0\t00000000\tx\tzzzz\t0\t0\t0\t00000000\n";
  EXPECT_EQ(detail::reachabilityFromRoutes(garbage, "short line\n", up), 0u);
}

TEST(RouteTableTests, SystemProbeAnswersOnThisMachine) {
  // Whatever the machine's network, the live probe reads the tables without failing.
  EXPECT_TRUE(detail::systemReachability().has_value());
}

}  // namespace
}  // namespace tarvel
