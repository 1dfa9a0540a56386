#include <string>   // string
#include <utility>  // pair
#include <vector>   // vector

#include <gtest/gtest.h>

#include "tarvel/Color.h"

namespace tarvel {
namespace {

TEST(ColorTests, HexStringEdgeCases) {
  const Color black{0, 0, 0, 255};
  const Color green{10, 156, 77, 255};
  // "\u" takes exactly four hex digits, "\U" eight, an octal escape at most three: the digits
  // after them stay digits.
  const std::vector<std::pair<std::string, Color>> cases = {
      {"FFF", {255, 255, 255, 255}},  // short form repeats each digit
      {"#0A9C4D", green},             // any case, trimmed decoration
      {"0a9c4d", green},
      {" 0A9C4D ", green},
      {"0A9C4D;", green},
      {"80FF0000", {255, 0, 0, 128}},  // eight digits carry alpha first
      {"FF#FFF", {0, 0, 255, 255}},    // inner characters stay and stop the scan
      {"xyz", black},
      {"0x1234", {0, 18, 52, 255}},
      {"0xZZZZ", black},               // a lone "0x" is no prefix: 0, then the scan stops
      {"A\u00E9B", {0, 0, 170, 255}},  // three characters, four bytes
      {"F\u00E9", black},
      {"FF\u00E9", {0, 255, 255, 255}},
      {"\u00A00A9C4D\u3000", green},     // non-ASCII spaces,
      {"\u201C0A9C4D\u201D", green},     // quotes
      {"\U0001F3A80A9C4D", green},       // and emoji are trimmed
      {"\3770A9C4D\303", green},         // malformed UTF-8 (\377, a lone \303) is no letter
      {"\xC0\xAF\xED\xA0\x80", black},   // overlong, surrogate
      {"AB\377CDE", {0, 0, 0xAB, 255}},  // inner malformed bytes count one each
      {std::string(40, 'F'), black},     // overlong input saturates
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE('"' + text + '"');
    EXPECT_EQ(Color::fromHexString(text), expected);
  }
  for (const char* otherLength : {"", "#", "12345", "1234567", "123456789", "##", "F", "FFFF"}) {
    EXPECT_EQ(Color::fromHexString(otherLength), black) << '"' << otherLength << '"';
  }
}

}  // namespace
}  // namespace tarvel
