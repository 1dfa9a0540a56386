#include <string>  // string

#include <gtest/gtest.h>

#include "UniqueMarker.h"
#include "network/LogRedaction.h"

namespace tarvel {
namespace {

TEST(LogRedactionTests, SecretsAreRedactedAtAnyDepthAndTheRestWrittenAsCompactJson) {
  const std::string token = test::uniqueMarker("token");
  const std::string otp = test::uniqueMarker("otp");
  const Dictionary answer = {{"auth_token", token},
                             {"data", {{"list", {{{"otp", otp}}, 1.5, nullptr, true}}}},
                             {"note", "line\nbreak \"quoted\" \\ \x01"},
                             {"bad", "caf\xE9"}};  // Latin-1, not UTF-8
  EXPECT_EQ(detail::describeForLog(answer),
            R"({"auth_token":"<redacted>","bad":"caf)"
            "\xEF\xBF\xBD"
            R"(","data":{"list":[{"otp":"<redacted>"},1.5,null,true]},)"
            R"("note":"line\nbreak \"quoted\" \\ \u0001"})");
  EXPECT_EQ(detail::describeForLog(Dictionary::array()), "[]");
  EXPECT_EQ(detail::describeForLog("text"), "\"text\"");
}

TEST(LogRedactionTests, LongTextIsCutAtACharacterWithTheFullLength) {
  const Dictionary answer = {{"a", std::string(10, 'x')}};  // {"a":"xxxxxxxxxx"}, 18 bytes
  EXPECT_EQ(detail::describeForLog(answer, 18), R"({"a":"xxxxxxxxxx"})");
  EXPECT_EQ(detail::describeForLog(answer, 8), R"({"a":"xx... (18 bytes in all))");
  // "é" is two bytes; a cut between them drops the whole character.
  EXPECT_EQ(detail::shortenedForLog("ab\xC3\xA9"
                                    "cd",
                                    3),
            "ab... (6 bytes in all)");
  EXPECT_EQ(detail::shortenedForLog("ab\xC3\xA9"
                                    "cd",
                                    4),
            "ab\xC3\xA9... (6 bytes in all)");
}

// Past the limit a value is only counted; the count is still the length the whole line has,
// escapes, multi-byte characters and replaced bytes included, wherever the cut falls.
TEST(LogRedactionTests, FullLengthCountsWhatFollowsTheCutAsItWouldBeWritten) {
  const std::string mixed =
      std::string("q\"b\\n\nt\tc\x01") + "caf\xC3\xA9" + "bad\xE9" + "\xF0\x9F\x98\x80";
  const Dictionary answer = {{"a", mixed + mixed + mixed},
                             {"b", {{"auth_token", "t"}, {"c", mixed}}}};
  const std::string whole = detail::describeForLog(answer, 1u << 20);
  for (std::size_t limit : {1u, 6u, 7u, 13u, 20u, 41u, 60u}) {
    SCOPED_TRACE(limit);
    const std::string cut = detail::describeForLog(answer, limit);
    EXPECT_NE(cut.find("... (" + std::to_string(whole.size()) + " bytes in all)"),
              std::string::npos)
        << cut;
  }
}

TEST(LogRedactionTests, DeepDictionariesAreWrittenWithoutRecursion) {
  Dictionary deep = Dictionary::array();
  Dictionary* innermost = &deep;
  for (int level = 0; level < 60000; ++level) {
    innermost->push_back(Dictionary::array());
    innermost = &innermost->back();
  }
  const std::string described = detail::describeForLog(deep, 64);
  EXPECT_EQ(described, std::string(64, '[') + "... (120002 bytes in all)");
}

}  // namespace
}  // namespace tarvel
