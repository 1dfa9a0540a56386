#include "tarvel/AnalyticsEvents.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>  // uname

#include <chrono>  // system_clock
#include <cmath>   // nan
#include <set>     // set
#include <string>  // string

#include "tarvel/DeviceModel.h"

namespace tarvel {
namespace {

const AnalyticsEnvironment kPinned{1700000000.9, "15.2", "iPhone 13"};
const Dictionary kIdentitySource = {{"request_id", "R-1"},
                                    {"order_type", "upi"},
                                    {"mid", "M-1"},
                                    {"tarvel_oid", "T-1"},
                                    {"auth_token", "secret"}};

std::set<std::string> keysOf(const Dictionary& payload) {
  std::set<std::string> keys;
  for (const auto& item : payload.items()) keys.insert(item.key());
  return keys;
}

TEST(AnalyticsEventsTests, EachEventCarriesItsKindUnderItsOwnKey) {
  const std::set<std::string> common = {"type",      "name",       "platform",  "timestamp",
                                        "version",   "source",     "userAgent", "requestId",
                                        "orderType", "merchantId", "tarvelOid"};
  auto with = [&common](std::set<std::string> extra) {
    extra.insert(common.begin(), common.end());
    return extra;
  };

  Dictionary click = clickEvent("phonepe", kIdentitySource, kPinned);
  EXPECT_EQ(keysOf(click), with({"event_type", "event"}));
  EXPECT_EQ(click["event_type"], "click");
  EXPECT_EQ(click["event"], "phonepe");
  EXPECT_EQ(click["name"], "phonepe");

  Dictionary pageLoad = pageLoadEvent(0, kIdentitySource, kPinned);
  EXPECT_EQ(keysOf(pageLoad), with({"eventType", "app_count"}));
  EXPECT_EQ(pageLoad["eventType"], "page_load");
  EXPECT_EQ(pageLoad["name"], "app listing");
  EXPECT_TRUE(pageLoad["app_count"].is_number_integer());
  EXPECT_EQ(pageLoad["app_count"], 0);

  Dictionary otpDialog = otpDialogLoadEvent(kIdentitySource, kPinned);
  EXPECT_EQ(keysOf(otpDialog), with({"eventType"}));
  EXPECT_EQ(otpDialog["eventType"], "otp_dialog_load");
  EXPECT_EQ(otpDialog["name"], "otp");

  EXPECT_EQ(otpDialog["type"], "event");
  EXPECT_EQ(otpDialog["platform"], "iOS");
  EXPECT_EQ(otpDialog["version"], "v1.2.0");
  EXPECT_EQ(otpDialog["source"], "direct");
  EXPECT_EQ(otpDialog["requestId"], "R-1");
  EXPECT_EQ(otpDialog["orderType"], "upi");
  EXPECT_EQ(otpDialog["merchantId"], "M-1");
  EXPECT_EQ(otpDialog["tarvelOid"], "T-1");
}

TEST(AnalyticsEventsTests, IdentityBlockIsAllOrNothing) {
  Dictionary withoutOid = kIdentitySource;
  withoutOid.erase("tarvel_oid");
  Dictionary numericMid = kIdentitySource;
  numericMid["mid"] = 42;

  for (const Dictionary& source : {withoutOid, numericMid, Dictionary()}) {
    const std::set<std::string> keys = keysOf(pageLoadEvent(1, source, kPinned));
    for (const char* key : {"requestId", "orderType", "merchantId", "tarvelOid"}) {
      EXPECT_EQ(keys.count(key), 0u) << key << " from " << source;
    }
    EXPECT_EQ(keys.count("eventType"), 1u) << "the event goes out without its identity";
  }
}

TEST(AnalyticsEventsTests, TimestampIsWholeSecondsTruncatedTowardZero) {
  auto timestampAt = [](double seconds) {
    return otpDialogLoadEvent(kIdentitySource, {seconds, "1", "m"})["timestamp"];
  };
  EXPECT_EQ(timestampAt(1700000000.9), 1700000000);
  EXPECT_TRUE(timestampAt(1700000000.9).is_number_integer());
  EXPECT_EQ(timestampAt(-0.9), 0);
  EXPECT_EQ(timestampAt(std::nan("")), 0);
}

TEST(AnalyticsEventsTests, UserAgentWritesVersionDotsAsUnderscores) {
  EXPECT_EQ(userAgent("iPhone 13", "15.2"),
            "TarveliOSSDK/1.0 (iPhone 13; CPU OS 15_2 like Mac OS X; iPhone 13) almofire/v1.2.0");
  EXPECT_EQ(userAgent("iOS", "6.1.0-18-amd64"),
            "TarveliOSSDK/1.0 (iOS; CPU OS 6_1_0-18-amd64 like Mac OS X; iOS) almofire/v1.2.0");
  EXPECT_EQ(clickEvent("gpay", kIdentitySource, kPinned)["userAgent"],
            userAgent("iPhone 13", "15.2"));
}

TEST(AnalyticsEventsTests, CurrentEnvironmentReadsClockKernelAndModel) {
  auto now = [] {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
  const double before = now();
  const AnalyticsEnvironment current = AnalyticsEnvironment::current();
  const double after = now();

  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  EXPECT_EQ(current.systemVersion, names.release);
  EXPECT_EQ(current.modelName, modelName());
  EXPECT_GE(current.secondsSince1970, before);
  EXPECT_LE(current.secondsSince1970, after);
}

}  // namespace
}  // namespace tarvel
