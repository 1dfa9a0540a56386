#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

#include <gtest/gtest.h>

#include "config/BoundedJson.h"
#include "network/LogRedaction.h"

namespace tarvel {
namespace {

using detail::BoundedJson;
using Refusal = BoundedJson::Refusal;

std::string nested(std::size_t levels) {
  return std::string(levels, '[') + std::string(levels, ']');
}

TEST(BoundedJsonTests, ParsesWithinBoundsAndNamesWhyNot) {
  constexpr std::size_t kBytes = 64;
  constexpr std::size_t kDepth = 8;
  struct Row {
    std::string text;
    std::optional<Refusal> refusal;  // nothing: parsed
  };
  const std::vector<Row> rows = {
      {R"({"a": [1, {"b": "c"}]})", std::nullopt},
      {"\"caf\\u00e9 \U0001F3A8\"", std::nullopt},  // escapes and four-byte UTF-8
      {"42", std::nullopt},
      {nested(kDepth), std::nullopt},
      {"[" + nested(kDepth) + "]", Refusal::tooDeep},
      {"{\"a\": \"" + std::string(30, '[') + "\\\"\"}", std::nullopt},  // brackets in strings
      {std::string(kBytes - 2, ' ') + "{}", std::nullopt},              // exactly the limit
      {std::string(kBytes - 1, ' ') + "{}", Refusal::tooLarge},
      {"\xFF{}", Refusal::notUtf8},
      {"{\"a\": \"\xC3\x28\"}", Refusal::notUtf8},  // broken sequence inside a string
      {"\"\xED\xA0\x80\"", Refusal::notUtf8},       // surrogate
      {"\"\xC0\xAF\"", Refusal::notUtf8},           // overlong
      {"\"\xF4\x90\x80\x80\"", Refusal::notUtf8},   // beyond U+10FFFF
      {"", Refusal::notJson},
      {"{\"data\": {}} trailing", Refusal::notJson},
      {"{\"a\":", Refusal::notJson},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    auto parsed = detail::parseBoundedJson(row.text, kBytes, kDepth);
    EXPECT_EQ(parsed.value.has_value(), !row.refusal.has_value());
    if (row.refusal) {
      EXPECT_EQ(parsed.refusal, *row.refusal);
    }
  }
}

// Each level is one stack frame in a recursive parser, printer or destructor; 60 000 of them
// overflow a thread's stack. The bound refuses them before parsing; allowed that deep, they
// must still parse, print and go away without recursion.
TEST(BoundedJsonTests, SixtyThousandLevelsNeverRecurse) {
  const std::string deep = nested(60000);
  EXPECT_EQ(detail::parseBoundedJson(deep, deep.size(), 64).refusal, Refusal::tooDeep);

  auto parsed = detail::parseBoundedJson(deep, deep.size(), 60000);
  ASSERT_TRUE(parsed);
  std::string described = detail::describeForLog(*parsed.value, 100);
  EXPECT_EQ(described.rfind(std::string(100, '['), 0), 0u);
  EXPECT_NE(described.find("(120000 bytes in all)"), std::string::npos) << described;
  parsed.value.reset();  // destroyed here, within the test
}

}  // namespace
}  // namespace tarvel
