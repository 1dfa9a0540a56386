#include <string>  // string

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "UniqueMarker.h"
#include "config/Redaction.h"
#include "network/LogRedaction.h"
#include "tarvel/Log.h"

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

// "pin", "otp", "cvv" and "card" count at the start or end of a word part, so "shipping" stays.
TEST(LogRedactionTests, ValuesUnderSecretAndPhoneKeysAreHiddenInAnyCaseAndPlace) {
  struct Case {
    const char* key;
    Dictionary value, logged;
  };
  const Dictionary hidden = "<redacted>";
  const std::vector<Case> cases = {
      {"Auth_Token", "t", hidden},
      {"access_token", "t", hidden},
      {"otp_code", 4821, hidden},
      {"otpCode", "4821", hidden},
      {"OTP", "4821", hidden},
      {"client_secret", {{"nested", "s"}}, hidden},
      {"Password", "p", hidden},
      {"upi_pin", "1234", hidden},
      {"mpin", "1234", hidden},
      {"pincode", "560001", hidden},
      {"CVV", "123", hidden},
      {"cardNumber", "4111", hidden},
      {"shipping", "by road", "by road"},
      {"spinner", "on", "on"},
      {"footprint", "small", "small"},
      {"phone", "9876543210", "******3210"},
      {"Mobile", "+91 98765 43210", "+** ***** *3210"},
      {"msisdn", 919876543210, "********3210"},
      {"customerPhone", {"call 9876543210 or 91234-56789"}, {"call ******3210 or *****-*6789"}},
      {"phone", "12345", "12345"},
      {"note", "9876543210", "9876543210"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const Dictionary answer = {{"data", {{c.key, c.value}}}};
    const Dictionary logged = {{"data", {{c.key, c.logged}}}};
    EXPECT_EQ(detail::describeForLog(answer), logged.dump());
    EXPECT_EQ(redactedForLog(answer), logged);
  }
}

// The last check before any sink: the order's phone anywhere, and a code beside "OTP".
TEST(LogRedactionTests, LinesLoseTheOrdersPhoneAndCodesNextToTheWordOtp) {
  detail::rememberPhoneNumber("+91 90000 77321");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"sent to 9000077321, or 919000077321", "sent to ******7321, or ********7321"},
      {"Your Tarvel OTP is 4821.", "Your Tarvel OTP is <redacted>."},
      {"4821 is your otp", "<redacted> is your otp"},
      {R"({"sms":"otp: 48213"})", R"({"sms":"otp: <redacted>"})"},
      {"POST https://127.0.0.1:8443/v1/user/verify-otp", ""},
      {"No answer from /v1/user/send-otp: answer larger than 1048576 bytes", ""},
      {"otp_verified true after 30 s, order 7", ""}};
  test::LogCapture capture;
  for (const auto& [line, expected] : cases) log(line);
  const std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(lines[i], cases[i].second.empty() ? cases[i].first : cases[i].second);
  }
}

// Long text is cut at a character boundary, with the length the whole would have: past the
// limit a value is only counted, escapes, multi-byte characters and replaced bytes included,
// wherever the cut falls. (Sixty thousand levels of nesting: BoundedJsonTests.)
TEST(LogRedactionTests, LongTextIsCutAtACharacterWithTheFullLength) {
  const Dictionary answer = {{"a", std::string(10, 'x')}};  // {"a":"xxxxxxxxxx"}, 18 bytes
  EXPECT_EQ(detail::describeForLog(answer, 18), R"({"a":"xxxxxxxxxx"})");
  EXPECT_EQ(detail::describeForLog(answer, 8), R"({"a":"xx... (18 bytes in all))");
  // "\u00E9" is two bytes; a cut between them drops the whole character.
  EXPECT_EQ(detail::shortenedForLog("ab\u00E9cd", 3), "ab... (6 bytes in all)");
  EXPECT_EQ(detail::shortenedForLog("ab\u00E9cd", 4), "ab\u00E9... (6 bytes in all)");

  const std::string mixed = "q\"b\\n\nt\tc\001caf\u00E9bad\351\U0001F600";
  const Dictionary mixedAnswer = {{"a", mixed + mixed + mixed},
                                  {"b", {{"auth_token", "t"}, {"c", mixed}}}};
  const std::string whole = detail::describeForLog(mixedAnswer, 1u << 20);
  for (std::size_t limit : {1u, 6u, 7u, 13u, 20u, 41u, 60u}) {
    EXPECT_NE(detail::describeForLog(mixedAnswer, limit)
                  .find("... (" + std::to_string(whole.size()) + " bytes in all)"),
              std::string::npos)
        << limit;
  }
}

}  // namespace
}  // namespace tarvel
