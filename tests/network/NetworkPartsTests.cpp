#include <gtest/gtest.h>

#include <string>  // string
#include <vector>  // vector

#include "network/AnswerParsing.h"
#include "network/LogRedaction.h"
#include "network/QueryString.h"
#include "tarvel/APIError.h"

namespace tarvel {
namespace {

TEST(APIErrorTests, RawValuesRoundTripExactly) {
  for (auto error : {APIError::noNetwork, APIError::dataNotFound, APIError::jsonParsingError,
                     APIError::invalidStatusCode}) {
    EXPECT_EQ(apiErrorFromRawValue(rawValue(error)), error);
  }
  EXPECT_EQ(rawValue(APIError::noNetwork), "No Network");
  EXPECT_EQ(rawValue(APIError::dataNotFound), "Data Not Found");
  EXPECT_EQ(rawValue(APIError::jsonParsingError), "Json Parsing Error");
  EXPECT_EQ(rawValue(APIError::invalidStatusCode), "Invalid Status Code");
  for (const char* other : {"no network", "No Network ", "", "Data not found"}) {
    EXPECT_EQ(apiErrorFromRawValue(other), std::nullopt) << other;
  }
}

TEST(QueryStringTests, EncodesEverythingOutsideTheUnreservedSet) {
  EXPECT_EQ(detail::percentEncode("aZ09-._~"), "aZ09-._~");
  EXPECT_EQ(detail::percentEncode("a b&c=d+e/f?g#h%"), "a%20b%26c%3Dd%2Be%2Ff%3Fg%23h%25");
  EXPECT_EQ(detail::percentEncode("\xC3\xA9\xFF"), "%C3%A9%FF");
}

TEST(QueryStringTests, ValuesBecomeTextByType) {
  EXPECT_EQ(detail::queryText("as is"), "as is");
  EXPECT_EQ(detail::queryText(12), "12");
  EXPECT_EQ(detail::queryText(-3), "-3");
  EXPECT_EQ(detail::queryText(12.5), "12.5");
  EXPECT_EQ(detail::queryText(true), "true");
  EXPECT_EQ(detail::queryText(nullptr), "null");
  EXPECT_EQ(detail::queryText({{"a", 1}}), R"({"a":1})");
  EXPECT_EQ(detail::queryText({{"a", "\xFF"}}), std::nullopt);
}

TEST(QueryStringTests, DropsEmptyNamesButKeepsEmptyValues) {
  EXPECT_EQ(detail::queryString({{"moid", ""}, {"request_id", ""}, {"", "x"}}),
            "moid=&request_id=");
  EXPECT_EQ(detail::queryString({{"", "x"}}), "");
  EXPECT_EQ(detail::queryString(Dictionary::object()), "");
  EXPECT_EQ(detail::queryString(Dictionary::array({1})), "");
  EXPECT_EQ(detail::queryString({{"a b", "c&d"}}), "a%20b=c%26d");
}

TEST(AnswerParsingTests, AcceptsJsonOfAnyShapeAndRefusesTheRest) {
  EXPECT_EQ(detail::parseAnswer(R"({"data": {"a": 1}})"), (Dictionary{{"data", {{"a", 1}}}}));
  EXPECT_EQ(detail::parseAnswer("[1]"), Dictionary::array({1}));
  const std::vector<std::string> bad = {"",
                                        " ",
                                        "{",
                                        "not json",
                                        "{\"a\": 1} {}",
                                        "{\"a\": \"\xC3\x28\"}",
                                        "\xEF\xBB\xBF\xFF",
                                        std::string("{\"a\":\0}", 7)};
  for (const auto& body : bad) {
    EXPECT_EQ(detail::parseAnswer(body), std::nullopt) << body;
  }
}

TEST(AnswerParsingTests, RefusesAbsurdNestingWithoutRecursing) {
  std::string deep(detail::kMaxAnswerDepth + 1, '[');
  deep += std::string(detail::kMaxAnswerDepth + 1, ']');
  EXPECT_EQ(detail::parseAnswer(deep), std::nullopt);
  EXPECT_EQ(detail::parseAnswer(std::string(1'000'000, '{')), std::nullopt);

  std::string allowed(detail::kMaxAnswerDepth, '[');
  allowed += std::string(detail::kMaxAnswerDepth, ']');
  EXPECT_NE(detail::parseAnswer(allowed), std::nullopt);
  // Brackets inside strings do not count.
  EXPECT_NE(detail::parseAnswer("{\"a\": \"" + std::string(10000, '[') + "\\\"\"}"), std::nullopt);
}

TEST(LogRedactionTests, SecretsAreHiddenAtAnyDepth) {
  Dictionary answer = {{"auth_token", "T1"},
                       {"data", {{"otp", 1234}, {"list", {{{"auth_token", "T2"}}}}}},
                       {"keep", "visible"}};
  std::string text = detail::describeForLog(answer);
  for (const char* secret : {"T1", "1234", "T2"}) {
    EXPECT_EQ(text.find(secret), std::string::npos) << secret;
  }
  EXPECT_NE(text.find("visible"), std::string::npos);
  EXPECT_NO_THROW(detail::describeForLog({{"bad", "\xFF"}}));
}

}  // namespace
}  // namespace tarvel
