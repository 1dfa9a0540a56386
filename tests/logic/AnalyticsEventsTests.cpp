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

const Dictionary kIdentitySource = {{"request_id", "R-1"}, {"order_type", "upi"}, {"mid", "M-1"},
                                    {"tarvel_oid", "T-1"}, {"auth_token", "secret"}};

std::set<std::string> keysOf(const Dictionary& payload) {
  std::set<std::string> keys;
  for (const auto& [key, value] : payload.items()) keys.insert(key);
  return keys;
}

TEST(AnalyticsEventsTests, ClickEventCarriesTheAppUnderEventTypeAndEvent) {
  Dictionary event = clickEvent("phonepe", kIdentitySource, kPinned);

  EXPECT_EQ(keysOf(event),
            (std::set<std::string>{"event_type", "event", "type", "name", "platform", "timestamp",
                                   "version", "source", "userAgent", "requestId", "orderType",
                                   "merchantId", "tarvelOid"}));
  EXPECT_EQ(event["event_type"], "click");
  EXPECT_EQ(event["event"], "phonepe");
  EXPECT_EQ(event["name"], "phonepe");
  EXPECT_EQ(event["type"], "event");
  EXPECT_EQ(event["platform"], "iOS");
  EXPECT_EQ(event["version"], "v1.2.0");
  EXPECT_EQ(event["source"], "direct");
  EXPECT_EQ(event["requestId"], "R-1");
  EXPECT_EQ(event["orderType"], "upi");
  EXPECT_EQ(event["merchantId"], "M-1");
  EXPECT_EQ(event["tarvelOid"], "T-1");
}

TEST(AnalyticsEventsTests, PageLoadAndOtpDialogUseEventType) {
  Dictionary pageLoad = pageLoadEvent(0, kIdentitySource, kPinned);
  EXPECT_EQ(pageLoad["eventType"], "page_load");
  EXPECT_EQ(pageLoad["name"], "app listing");
  ASSERT_TRUE(pageLoad["app_count"].is_number_integer());
  EXPECT_EQ(pageLoad["app_count"], 0);
  EXPECT_EQ(pageLoadEvent(3, kIdentitySource, kPinned)["app_count"], 3);

  Dictionary otpDialog = otpDialogLoadEvent(kIdentitySource, kPinned);
  EXPECT_EQ(otpDialog["eventType"], "otp_dialog_load");
  EXPECT_EQ(otpDialog["name"], "otp");
  EXPECT_FALSE(otpDialog.contains("app_count"));

  for (Dictionary event : {pageLoad, otpDialog}) {
    EXPECT_FALSE(event.contains("event_type")) << event.dump();
    EXPECT_FALSE(event.contains("event")) << event.dump();
    EXPECT_EQ(event["tarvelOid"], "T-1");
  }
}

TEST(AnalyticsEventsTests, IdentityBlockIsAllOrNothing) {
  const char* identityKeys[] = {"requestId", "orderType", "merchantId", "tarvelOid"};
  Dictionary withoutOid = kIdentitySource;
  withoutOid.erase("tarvel_oid");
  Dictionary numericMid = kIdentitySource;
  numericMid["mid"] = 42;

  for (const Dictionary& source : {withoutOid, numericMid, Dictionary::object(), Dictionary()}) {
    Dictionary event = pageLoadEvent(1, source, kPinned);
    for (const char* key : identityKeys) EXPECT_FALSE(event.contains(key)) << key << source.dump();
    EXPECT_EQ(event["eventType"], "page_load") << "the event goes out without its identity";
  }
  EXPECT_FALSE(clickEvent("gpay", kIdentitySource, kPinned).contains("auth_token"));
}

TEST(AnalyticsEventsTests, TimestampIsWholeSecondsTruncatedTowardZero) {
  auto timestampAt = [](double seconds) {
    return otpDialogLoadEvent(kIdentitySource, {seconds, "1", "m"})["timestamp"];
  };
  EXPECT_EQ(timestampAt(1700000000.9), 1700000000);
  EXPECT_TRUE(timestampAt(1700000000.9).is_number_integer());
  EXPECT_EQ(timestampAt(1700000001.0), 1700000001);
  EXPECT_EQ(timestampAt(-0.9), 0);
  EXPECT_EQ(timestampAt(std::nan("")), 0);
}

TEST(AnalyticsEventsTests, UserAgentWritesVersionDotsAsUnderscores) {
  EXPECT_EQ(userAgent("iPhone 13", "15.2"),
            "TarveliOSSDK/1.0 (iPhone 13; CPU OS 15_2 like Mac OS X; iPhone 13) almofire/v1.2.0");
  EXPECT_EQ(userAgent("x86_64", "16.4.1"),
            "TarveliOSSDK/1.0 (x86_64; CPU OS 16_4_1 like Mac OS X; x86_64) almofire/v1.2.0");
  EXPECT_EQ(userAgent("m", "6.1.0-18-amd64"),
            "TarveliOSSDK/1.0 (m; CPU OS 6_1_0-18-amd64 like Mac OS X; m) almofire/v1.2.0");
  EXPECT_EQ(clickEvent("gpay", kIdentitySource, kPinned)["userAgent"],
            userAgent("iPhone 13", "15.2"));
}

TEST(AnalyticsEventsTests, CurrentEnvironmentReadsClockKernelAndModel) {
  const double before =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  const AnalyticsEnvironment current = AnalyticsEnvironment::current();
  const double after =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();

  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  EXPECT_EQ(current.systemVersion, names.release);
  EXPECT_EQ(current.modelName, modelName());
  EXPECT_GE(current.secondsSince1970, before);
  EXPECT_LE(current.secondsSince1970, after);
}

}  // namespace
}  // namespace tarvel
