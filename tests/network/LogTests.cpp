// The log: its sink (the component never holds a lock while the sink runs, so a sink may log
// through the component or wait for a thread that logs), and
// what it never shows: secrets, phones and codes, and more than a few kilobytes of an answer.
#include <atomic>   // atomic
#include <cstdlib>  // exit
#include <future>   // promise, shared_future
#include <string>   // string
#include <thread>   // thread
#include <utility>  // pair
#include <vector>   // vector

#include <gtest/gtest.h>
#include <unistd.h>  // alarm

#include "LogCapture.h"
#include "config/Redaction.h"
#include "network/LogRedaction.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

// A sink that logs from inside itself, or joins a thread that logs, finishes. A deadlock would
// hang the child process; the alarm ends it so the test fails instead.
TEST(LogTests, SinkThatLogsOrJoinsAThreadThatLogsFinishes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (bool throughAThread : {false, true}) {
    EXPECT_EXIT(
        {
          ::alarm(20);
          std::atomic<int> calls = 0;
          setLogSink([&](std::string_view line) {
            if (++calls > 1) return;
            if (throughAThread) {
              std::thread([] { log("from the helper thread"); }).join();
            } else {
              log("echo of " + std::string(line));
            }
          });
          log("first");
          std::exit(calls == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << throughAThread;
  }
}

TEST(LogTests, ReplacingTheSinkWaitsForCallsStillInIt) {
  std::promise<void> entered, released;
  std::shared_future<void> release = released.get_future().share();
  setLogSink([&entered, release](std::string_view) {
    entered.set_value();
    release.wait();
  });
  std::thread logger([] { log("held in the sink"); });
  entered.get_future().wait();
  std::atomic<bool> replaced = false;
  std::thread replacer([&] {
    setLogSink(nullptr);
    replaced = true;
  });
  // The replacement may not return while the old sink (and what it captured) is still in use.
  EXPECT_FALSE(replaced.load());
  released.set_value();
  replacer.join();
  logger.join();
  EXPECT_TRUE(replaced.load());
}

// One row per rule. A dictionary (a row in braces) is logged as compact JSON, and a host's copy
// of it redacted alike: values under secret keys hidden at any depth, numbers under phone keys
// masked. "pin", "otp", "cvv" and "card" count at the start or end of a word part, so "shipping"
// stays. Every line then loses the order's phone anywhere and a code beside the word "OTP".
TEST(LogRedactionTests, SecretsPhonesAndCodesNeverReachTheSink) {
  detail::rememberPhoneNumber("+91 90000 77321");
  const std::vector<std::pair<std::string, std::string>> rows = {
      // "": logged unchanged
      {R"({"Auth_Token":"t","data":{"list":[{"otp":"4821"},1.5,null,true]}})",
       R"({"Auth_Token":"<redacted>","data":{"list":[{"otp":"<redacted>"},1.5,null,true]}})"},
      {R"({"note":"line\nbreak \"quoted\" \\ \u0001"})", ""},
      {R"({"client_secret":{"nested":"s"}})", R"({"client_secret":"<redacted>"})"},
      {R"({"MPIN":"1234","pincode":"560001"})", R"({"MPIN":"<redacted>","pincode":"<redacted>"})"},
      {R"({"footprint":"small","shipping":"by road"})", ""},
      {R"({"Mobile":"+91 98765 43210","msisdn":919876543210})",
       R"({"Mobile":"+** ***** *3210","msisdn":"********3210"})"},
      {R"({"customerPhone":["call 9876543210 or 91234-56789"]})",
       R"({"customerPhone":["call ******3210 or *****-*6789"]})"},
      {R"({"note":"9876543210","phone":"12345"})", ""},
      {"sent to 9000077321, or 919000077321", "sent to ******7321, or ********7321"},
      {"Your Tarvel OTP is 4821.", "Your Tarvel OTP is <redacted>."},
      {"4821 is your otp", "<redacted> is your otp"},
      {"POST https://127.0.0.1:8443/v1/user/verify-otp", ""},
      {"No answer from /v1/user/send-otp: answer larger than 1048576 bytes", ""},
      {"otp_verified true after 30 s, order 7", ""},
  };
  test::LogCapture capture;
  for (const auto& [input, redacted] : rows) {
    SCOPED_TRACE(input);
    const std::string logged = redacted.empty() ? input : redacted;
    const bool dictionary = input.front() == '{';
    capture.clear();
    log(dictionary ? detail::describeForLog(Dictionary::parse(input)) : input);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{logged});
    if (dictionary) {
      EXPECT_EQ(redactedForLog(Dictionary::parse(input)), Dictionary::parse(logged));
    }
  }
  EXPECT_EQ(detail::describeForLog(Dictionary::array({"caf\xE9"})),  // Latin-1, not UTF-8
            "[\"caf\xEF\xBF\xBD\"]");
}

// Long text is cut at a character boundary, with the length the whole would have. (Sixty
// thousand levels of nesting: BoundedJsonTests.)
TEST(LogRedactionTests, LongTextIsCutAtACharacterWithTheFullLength) {
  const Dictionary answer = {{"a", std::string(10, 'x')}};  // {"a":"xxxxxxxxxx"}, 18 bytes
  EXPECT_EQ(detail::describeForLog(answer, 18), R"({"a":"xxxxxxxxxx"})");
  EXPECT_EQ(detail::describeForLog(answer, 8), R"({"a":"xx... (18 bytes in all))");
  // "\u00E9" is two bytes; a cut between them drops the whole character.
  EXPECT_EQ(detail::shortenedForLog("ab\u00E9cd", 3), "ab... (6 bytes in all)");
  EXPECT_EQ(detail::shortenedForLog("ab\u00E9cd", 4), "ab\u00E9... (6 bytes in all)");
}

}  // namespace
}  // namespace tarvel
