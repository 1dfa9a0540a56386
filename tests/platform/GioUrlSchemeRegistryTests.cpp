#include <chrono>      // seconds
#include <filesystem>  // exists
#include <fstream>     // ifstream
#include <future>      // promise, future
#include <iterator>    // istreambuf_iterator
#include <optional>    // optional
#include <string>      // string

#include <gtest/gtest.h>

#include "PlatformTestProcess.h"
#include "QtWait.h"
#include "platform/GioUrlSchemeRegistry.h"

namespace tarvel {
namespace {

// The launch reports from a thread of its own.
std::optional<bool> openAndWait(detail::GioUrlSchemeRegistry& registry, const std::string& url) {
  std::promise<bool> launched;
  registry.open(url, [&](bool result) { launched.set_value(result); });
  std::future<bool> answer = launched.get_future();
  if (answer.wait_for(std::chrono::seconds(20)) != std::future_status::ready) return std::nullopt;
  return answer.get();
}

// GIO reads the private XDG folders that this process's start prepared (PlatformTestProcess).
TEST(GioUrlSchemeRegistryTests, LaunchesTheRegisteredHandlerWithThePercentEscapesIntact) {
  detail::GioUrlSchemeRegistry registry;
  EXPECT_TRUE(registry.hasHandler(test::kRegisteredScheme));
  EXPECT_FALSE(registry.hasHandler("tarvelnosuchscheme"));
  EXPECT_EQ(openAndWait(registry, "tarvelnosuchscheme://x"), false);

  const std::string url = std::string(test::kRegisteredScheme) +
                          "://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  ASSERT_EQ(openAndWait(registry, url), true);
  const std::string output = test::registeredHandlerOutputFile();
  ASSERT_TRUE(test::processEventsUntil([&] { return std::filesystem::exists(output); }))
      << "the handler never ran";
  std::ifstream file(output);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), url);

  // A link longer than the system passes to a process is reported as not launched.
  const std::string tooLong = url + "&tn=" + std::string(256 * 1024, 'x');
  EXPECT_EQ(openAndWait(registry, tooLong), false);
}

}  // namespace
}  // namespace tarvel
