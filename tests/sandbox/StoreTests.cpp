#include <gtest/gtest.h>

#include <string>  // string, to_string

#include "EventLog.h"
#include "OrderBook.h"
#include "OtpBook.h"
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

using testing::RunningSandbox;

Order draft(const std::string& moid) {
  Order order;
  order.moid = moid;
  order.amount = "1.00";
  return order;
}

TEST(OrderBookTests, EvictsTheOldestOrderAndItsIndexesBeyondCapacity) {
  OrderBook book(2);
  const auto first = book.findOrCreate(draft("a")).first;
  book.findOrCreate(draft("b"));
  const auto third = book.findOrCreate(draft("c"));
  EXPECT_TRUE(third.second);
  EXPECT_EQ(book.size(), 2u);
  EXPECT_FALSE(book.byTarvelOid(first.tarvelOid));
  EXPECT_FALSE(book.byMoid("a"));
  // The evicted moid makes a new order, not a dangling one.
  const auto again = book.findOrCreate(draft("a"));
  EXPECT_TRUE(again.second);
  EXPECT_NE(again.first.tarvelOid, first.tarvelOid);
  EXPECT_EQ(book.capture(first.tarvelOid, first.authToken).outcome,
            OrderBook::CaptureOutcome::unknownOrder);
}

TEST(OtpBookTests, KeepsAtMostCapacityPairs) {
  OtpBook book(
      3, [] { return std::chrono::steady_clock::now(); }, std::chrono::seconds(60), 3);
  for (int phone = 0; phone < 10; ++phone) book.issue("m", std::to_string(phone));
  EXPECT_EQ(book.size(), 3u);
  EXPECT_FALSE(book.lastCode("m", "0"));
  EXPECT_TRUE(book.lastCode("m", "9"));
}

TEST(EventLogTests, KeepsTheNewestEvents) {
  EventLog log(3);
  for (int i = 0; i < 5; ++i) EXPECT_LE(log.add({{"i", i}}), 3u);
  EXPECT_EQ(log.all(), nlohmann::json::parse(R"([{"i":2},{"i":3},{"i":4}])"));
}

TEST(SandboxServerTests, StoredListsStayBoundedUnderTraffic) {
  auto options = RunningSandbox::plainOptions();
  options.maxOrders = 5;
  options.maxOtps = 5;
  options.maxEvents = 5;
  RunningSandbox sandbox(options);
  std::string firstOid;
  for (int i = 0; i < 20; ++i) {
    const auto order = sandbox.verify({{"moid", "bulk-" + std::to_string(i)}});
    if (i == 0) firstOid = order["tarvel_oid"];
    sandbox.post("/api/v1/user/send-otp", {{"moid", "bulk"}, {"phone", std::to_string(i)}});
    sandbox.post("/analytics/api/v1/events", {{"name", "event"}, {"i", i}});
  }
  EXPECT_FALSE(sandbox.server().order(firstOid));
  EXPECT_FALSE(sandbox.server().lastOtp("bulk", "0"));
  EXPECT_TRUE(sandbox.server().lastOtp("bulk", "19"));
  const auto events = sandbox.server().events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events.front().at("i"), 15);
}

}  // namespace
}  // namespace tarvel::sandbox
