#include <atomic>     // atomic
#include <stdexcept>  // runtime_error
#include <thread>     // thread
#include <vector>     // vector

#include <gtest/gtest.h>

#include "tarvel/InternetConnectionManager.h"

namespace tarvel {
namespace {

using Manager = InternetConnectionManager;

class InternetConnectionManagerTests : public ::testing::Test {
 protected:
  void TearDown() override { Manager::setProbe(nullptr); }
};

TEST_F(InternetConnectionManagerTests, ReachableWithoutConnectionRequiredIsConnected) {
  for (uint32_t flags : {2u, 2u | (1u << 18), ~4u})
    EXPECT_TRUE(Manager::isConnected(flags)) << flags;
  for (uint32_t flags : {6u, 0u, 4u, ~2u}) EXPECT_FALSE(Manager::isConnected(flags)) << flags;

  Manager::setProbe([] { return std::optional<uint32_t>(Manager::kReachable); });
  EXPECT_TRUE(Manager::isConnectedToNetwork());
  for (const Manager::Probe& notConnected :
       {Manager::Probe([] { return std::optional<uint32_t>(6u); }),
        Manager::Probe([] { return std::optional<uint32_t>(); }),
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

}  // namespace
}  // namespace tarvel
