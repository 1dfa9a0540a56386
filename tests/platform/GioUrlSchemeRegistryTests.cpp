#include <gtest/gtest.h>

#include <filesystem>  // exists
#include <fstream>     // ifstream
#include <iterator>    // istreambuf_iterator
#include <optional>    // optional
#include <string>      // string

#include "PlatformTestProcess.h"
#include "QtWait.h"
#include "platform/GioUrlSchemeRegistry.h"

namespace tarvel {
namespace {

// GIO reads the private XDG folders that this process's start prepared (PlatformTestProcess).
TEST(GioUrlSchemeRegistryTests, LaunchesTheRegisteredHandlerWithThePercentEscapesIntact) {
  detail::GioUrlSchemeRegistry registry;
  EXPECT_TRUE(registry.hasHandler(test::kRegisteredScheme));
  EXPECT_FALSE(registry.hasHandler("tarvelnosuchscheme"));
  std::optional<bool> unknown;
  registry.open("tarvelnosuchscheme://x", [&](bool launched) { unknown = launched; });
  EXPECT_EQ(unknown, false);

  const std::string url = std::string(test::kRegisteredScheme) +
                          "://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  std::optional<bool> launched;
  registry.open(url, [&](bool result) { launched = result; });
  ASSERT_EQ(launched, true);
  const std::string output = test::registeredHandlerOutputFile();
  ASSERT_TRUE(test::processEventsUntil([&] { return std::filesystem::exists(output); }))
      << "the handler never ran";
  std::ifstream file(output);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), url);
}

}  // namespace
}  // namespace tarvel
