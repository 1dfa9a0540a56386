// Whether a network is reachable: the kernel's route tables, read through a probe that may be
// swapped at any time.
#include <atomic>     // atomic
#include <map>        // map
#include <optional>   // optional, nullopt
#include <stdexcept>  // runtime_error
#include <string>     // string
#include <thread>     // thread
#include <vector>     // vector

#include <gtest/gtest.h>

#include "network/RouteTable.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel {
namespace {

using Manager = InternetConnectionManager;

class InternetConnectionManagerTests : public ::testing::Test {
 protected:
  void TearDown() override { Manager::setProbe(nullptr); }
};

TEST_F(InternetConnectionManagerTests, ReachableWithoutConnectionRequiredIsConnected) {
  EXPECT_TRUE(Manager::isConnected(~4u));  // reachable, whatever else is set
  for (uint32_t flags : {6u, ~2u}) EXPECT_FALSE(Manager::isConnected(flags)) << flags;

  // A probe that fails either way means no network (a probe's flags: ProbeCanBeSwapped...).
  for (const Manager::Probe& notConnected :
       {Manager::Probe([] { return std::optional<uint32_t>(); }),
        Manager::Probe([]() -> std::optional<uint32_t> { throw std::runtime_error("down"); })}) {
    Manager::setProbe(notConnected);
    EXPECT_FALSE(Manager::isConnectedToNetwork());
  }
}

TEST_F(InternetConnectionManagerTests, ProbeCanBeSwappedWhileOthersAsk) {
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

TEST(RouteTableTests, OnlyADefaultRouteOnAnInterfaceThatIsUpIsReachable) {
  const std::string v4 =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
  const std::string local = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
  const std::string v4Local = v4 + local;
  const std::string v4Default =
      v4 + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n" + local;
  // The kernel's own unreachable default route on lo, and a real one on eth0.
  const std::string v6LoReject =
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
  const std::string v6Default =
      "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
      "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";
  const std::map<std::string, uint32_t> up = {{"eth0", 0x1003}, {"lo", 0x9}};
  struct Case {
    std::optional<std::string> ipv4, ipv6;
    std::map<std::string, uint32_t> interfaces;
    std::optional<uint32_t> expected;
  };
  const std::vector<Case> cases = {
      {v4Default, std::nullopt, up, 2u},
      {std::nullopt, v6LoReject + v6Default, up, 2u},
      {v4Local, v6LoReject, up, 0u},
      {v4Default, std::nullopt, {{"eth0", 0x1002}}, 0u},  // interface down
      {v4Default, std::nullopt, {}, 0u},                  // interface unknown
      {v4 + "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", std::nullopt, up, 0u},
      {v4 + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", std::nullopt, up, 0u},
      {v4 + "eth0 zz\n\n\t\t\neth0\t00000000\tx\tzzzz\t0\t0\t0\t00000000\n", "short line\n", up,
       0u},
      {std::nullopt, std::nullopt, {}, std::nullopt},  // unreadable tables: a probe failure
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& flags = cases[i].interfaces;
    auto lookup = [&flags](std::string_view name) -> std::optional<uint32_t> {
      auto it = flags.find(std::string(name));
      return it == flags.end() ? std::nullopt : std::optional<uint32_t>(it->second);
    };
    EXPECT_EQ(detail::reachabilityFromRoutes(cases[i].ipv4, cases[i].ipv6, lookup),
              cases[i].expected);
  }
  // Whatever the machine's network, the live probe reads the tables without failing.
  EXPECT_TRUE(detail::systemReachability().has_value());
}

}  // namespace
}  // namespace tarvel
