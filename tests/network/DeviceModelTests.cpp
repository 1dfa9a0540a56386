#include <gtest/gtest.h>

#include <sys/utsname.h>  // uname

#include <set>     // set
#include <string>  // string

#include "network/DeviceModel.h"
#include "tarvel/DeviceModel.h"

namespace tarvel {
namespace {

std::string map(std::string_view identifier, std::optional<std::string> simulated = std::nullopt) {
  return detail::mapToDevice(identifier, simulated);
}

TEST(DeviceModelTests, TableHoldsEveryIdentifierOnce) {
  const auto& table = detail::deviceTable();
  EXPECT_EQ(table.size(), 120u);
  std::set<std::string_view> identifiers;
  std::set<std::string_view> names;
  for (const auto& [identifier, name] : table) {
    identifiers.insert(identifier);
    names.insert(name);
  }
  EXPECT_EQ(identifiers.size(), 120u);
  EXPECT_EQ(names.size(), 65u);
}

TEST(DeviceModelTests, MapsWholeIdentifiersExactly) {
  EXPECT_EQ(map("iPhone14,2"), "iPhone 13 Pro");
  EXPECT_EQ(map("iPad13,10"), "iPad Pro (12.9-inch) (5th generation)");
  EXPECT_EQ(map("iPad13,1"), "iPad Air (4th generation)");
  EXPECT_EQ(map("AudioAccessory5,1"), "HomePod mini");
  EXPECT_EQ(map("iPad8,10"), "iPad Pro (11-inch) (2nd generation)");
  EXPECT_EQ(map("iPad8,1"), "iPad Pro (11-inch) (1st generation)");
  EXPECT_EQ(map("iPad7,1"), "iPad Pro (12.9-inch) (2nd generation)");
  EXPECT_EQ(map("iPad7,11"), "iPad (7th generation)");
  EXPECT_EQ(map("iPhone7,1"), "iPhone 6 Plus");
  EXPECT_EQ(map("iPhone7,2"), "iPhone 6");
  EXPECT_EQ(map("iPhone12,8"), "iPhone SE (2nd generation)");
  EXPECT_EQ(map("AppleTV6,2"), "Apple TV 4K");
}

TEST(DeviceModelTests, UnknownIdentifiersComeBackUnchanged) {
  for (const char* identifier :
       {"iPhone15,2", "iphone14,2", "iPhone14,2 ", "iPhone14", "", "Pixel 7"}) {
    EXPECT_EQ(map(identifier), identifier);
  }
}

TEST(DeviceModelTests, SimulatorReportsTheSimulatedModel) {
  for (const char* simulator : {"i386", "x86_64", "arm64"}) {
    EXPECT_EQ(map(simulator, "iPhone12,8"), "iPhone SE (2nd generation)");
    EXPECT_EQ(map(simulator), "iOS");
    EXPECT_EQ(map(simulator, "iPhone99,9"), "iPhone99,9");
    // A simulator variable naming a simulator does not loop.
    EXPECT_EQ(map(simulator, "x86_64"), "iOS");
    EXPECT_EQ(map(simulator, "arm64"), "iOS");
  }
  EXPECT_EQ(map("iPhone14,2", "iPhone12,8"), "iPhone 13 Pro");  // only simulators read it
}

TEST(DeviceModelTests, MachineFieldSkipsEveryZeroByte) {
  const char field[16] = {'i', 'P', 'h', 'o', 'n', 'e', '\0', '1', '4', ',', '2', '\0'};
  EXPECT_EQ(detail::identifierFromMachineField(field, sizeof(field)), "iPhone14,2");
}

TEST(DeviceModelTests, ModelNameMapsThisMachine) {
  utsname system{};
  ASSERT_EQ(::uname(&system), 0);
  std::string machine = detail::identifierFromMachineField(system.machine, sizeof(system.machine));
  EXPECT_EQ(modelName(), mapToDevice(machine));  // "iOS" on x86_64 unless a model is simulated
  EXPECT_EQ(modelName(), modelName());
}

}  // namespace
}  // namespace tarvel
