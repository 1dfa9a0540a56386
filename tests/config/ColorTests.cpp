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
  // UTF-8 pieces, kept apart so that hex digits after them are not read as part of an escape.
  const std::string eAcute = "\xC3\xA9";
  const std::string invalidByte = "\xFF";
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
      {"0xZZZZ", black},                       // a lone "0x" is no prefix: 0, then the scan stops
      {"A" + eAcute + "B", {0, 0, 170, 255}},  // three characters, four bytes
      {"F" + eAcute, black},
      {"FF" + eAcute, {0, 255, 255, 255}},
      {"\xC2\xA0"
       "0A9C4D\xE3\x80\x80",
       green},  // non-ASCII spaces,
      {"\xE2\x80\x9C"
       "0A9C4D\xE2\x80\x9D",
       green},  // quotes
      {"\xF0\x9F\x8E\xA8"
       "0A9C4D",
       green},                                          // and emoji are trimmed
      {invalidByte + "0A9C4D\xC3", green},              // malformed UTF-8 is no letter
      {"\xC0\xAF\xED\xA0\x80", black},                  // overlong, surrogate
      {"AB" + invalidByte + "CDE", {0, 0, 0xAB, 255}},  // inner malformed bytes count one each
      {std::string(40, 'F'), black},                    // overlong input saturates
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
