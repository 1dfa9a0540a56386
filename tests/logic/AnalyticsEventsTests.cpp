#include <cmath>   // nan
#include <string>  // string

#include <gtest/gtest.h>

#include "tarvel/AnalyticsEvents.h"

namespace tarvel {
namespace {

const AnalyticsEnvironment kPinned{1700000000.9, "15.2", "iPhone 13"};
const Dictionary kIdentitySource = {{"request_id", "R-1"},
                                    {"order_type", "upi"},
                                    {"mid", "M-1"},
                                    {"tarvel_oid", "T-1"},
                                    {"auth_token", "secret"}};

TEST(AnalyticsEventsTests, EachEventIsTheCommonBlockPlusItsKindUnderItsOwnKey) {
  auto expected = [](Dictionary own) {
    own.update(
        {{"type", "event"},
         {"platform", "iOS"},
         {"timestamp", 1700000000},
         {"version", "v1.2.0"},
         {"source", "direct"},
         {"userAgent",
          "TarveliOSSDK/1.0 (iPhone 13; CPU OS 15_2 like Mac OS X; iPhone 13) almofire/v1.2.0"},
         {"requestId", "R-1"},
         {"orderType", "upi"},
         {"merchantId", "M-1"},
         {"tarvelOid", "T-1"}});
    return own;
  };
  EXPECT_EQ(clickEvent("phonepe", kIdentitySource, kPinned),
            expected({{"event_type", "click"}, {"event", "phonepe"}, {"name", "phonepe"}}));
  const Dictionary pageLoad = pageLoadEvent(0, kIdentitySource, kPinned);
  EXPECT_EQ(pageLoad,
            expected({{"eventType", "page_load"}, {"name", "app listing"}, {"app_count", 0}}));
  EXPECT_TRUE(pageLoad["app_count"].is_number_integer());
  EXPECT_EQ(otpDialogLoadEvent(kIdentitySource, kPinned),
            expected({{"eventType", "otp_dialog_load"}, {"name", "otp"}}));
  // Every dot of the version, not only the first, becomes an underscore.
  EXPECT_EQ(userAgent("iOS", "6.1.0-18-amd64"),
            "TarveliOSSDK/1.0 (iOS; CPU OS 6_1_0-18-amd64 like Mac OS X; iOS) almofire/v1.2.0");
}

TEST(AnalyticsEventsTests, IdentityBlockIsAllOrNothing) {
  Dictionary withoutOid = kIdentitySource;
  withoutOid.erase("tarvel_oid");
  // The last key missing: the three before it are not sent either.
  const Dictionary event = pageLoadEvent(1, withoutOid, kPinned);
  for (const char* key : {"requestId", "orderType", "merchantId", "tarvelOid"}) {
    EXPECT_FALSE(event.contains(key)) << key;
  }
  EXPECT_TRUE(event.contains("eventType")) << "the event goes out without its identity";
}

TEST(AnalyticsEventsTests, TimestampIsWholeSecondsTruncatedTowardZero) {
  for (const auto& [seconds, expected] : std::vector<std::pair<double, long long>>{
           {1700000000.9, 1700000000}, {-0.9, 0}, {std::nan(""), 0}}) {
    SCOPED_TRACE(seconds);
    const Dictionary timestamp =
        otpDialogLoadEvent(kIdentitySource, {seconds, "1", "m"})["timestamp"];
    EXPECT_TRUE(timestamp.is_number_integer());
    EXPECT_EQ(timestamp, expected);
  }
}

}  // namespace
}  // namespace tarvel
