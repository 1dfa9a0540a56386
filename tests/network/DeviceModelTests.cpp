#include <optional>  // nullopt
#include <string>    // string
#include <utility>   // pair
#include <vector>    // vector

#include <gtest/gtest.h>

#include "network/DeviceModel.h"

namespace tarvel {
namespace {

// Identifiers that begin with a shorter one are told apart; the table itself is not re-typed.
TEST(DeviceModelTests, MapsWholeIdentifiersExactlyAndKeepsUnknownOnes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"iPad13,10", "iPad Pro (12.9-inch) (5th generation)"},
      {"iPad13,1", "iPad Air (4th generation)"},
      {"iPad7,1", "iPad Pro (12.9-inch) (2nd generation)"},
      {"iPad7,11", "iPad (7th generation)"}};
  for (const auto& [identifier, name] : cases) {
    EXPECT_EQ(detail::mapToDevice(identifier, std::nullopt), name) << identifier;
  }
  for (const char* unknown :
       {"iPhone15,2", "iphone14,2", "iPhone14,2 ", "iPhone14", "", "Pixel 7"}) {
    EXPECT_EQ(detail::mapToDevice(unknown, std::nullopt), unknown);
  }
  const char field[16] = {'i', 'P', 'h', 'o', 'n', 'e', '\0', '1', '4', ',', '2', '\0'};
  EXPECT_EQ(detail::identifierFromMachineField(field, sizeof(field)), "iPhone14,2");
}

TEST(DeviceModelTests, SimulatorReportsTheSimulatedModel) {
  for (const char* simulator : {"i386", "x86_64", "arm64"}) {
    SCOPED_TRACE(simulator);
    EXPECT_EQ(detail::mapToDevice(simulator, "iPhone12,8"), "iPhone SE (2nd generation)");
    EXPECT_EQ(detail::mapToDevice(simulator, std::nullopt), "iOS");
    EXPECT_EQ(detail::mapToDevice(simulator, "iPhone99,9"), "iPhone99,9");
    // A simulator variable naming a simulator does not loop.
    EXPECT_EQ(detail::mapToDevice(simulator, "x86_64"), "iOS");
    EXPECT_EQ(detail::mapToDevice(simulator, "arm64"), "iOS");
  }
  EXPECT_EQ(detail::mapToDevice("iPhone14,2", "iPhone12,8"), "iPhone 13 Pro");  // only simulators
}

}  // namespace
}  // namespace tarvel
