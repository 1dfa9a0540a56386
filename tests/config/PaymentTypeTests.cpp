#include <gtest/gtest.h>

#include "config/DictionaryReading.h"
#include "tarvel/OrderKeys.h"
#include "tarvel/PaymentType.h"

namespace tarvel {
namespace {

TEST(PaymentTypeTests, UpiOrderGivesUpiCarryingUpi) {
  auto type = PaymentType::fromOrder({{"order_type", "upi"}, {"upi_app", "phonepe"}});
  ASSERT_TRUE(type.has_value());
  EXPECT_TRUE(type->isUpi());
  EXPECT_EQ(type->upiText(), "upi");
  EXPECT_EQ(*type, PaymentType::upi("upi"));
  EXPECT_NE(*type, PaymentType::upi("qrcode"));
}

TEST(PaymentTypeTests, AnyOtherTextGivesCashOnDelivery) {
  for (const char* orderType : {"cod", "non-vx", "", "UPI"}) {
    auto type = PaymentType::fromOrder({{"order_type", orderType}});
    ASSERT_TRUE(type.has_value()) << orderType;
    EXPECT_TRUE(type->isCod());
    EXPECT_EQ(type->upiText(), std::nullopt);
    EXPECT_EQ(*type, PaymentType::cod());
  }
}

TEST(PaymentTypeTests, MissingOrNonTextOrderTypeGivesNothing) {
  EXPECT_EQ(PaymentType::fromOrder(Dictionary::object()), std::nullopt);
  EXPECT_EQ(PaymentType::fromOrder({{"order_type", 1}}), std::nullopt);
  EXPECT_EQ(PaymentType::fromOrder({{"order_type", nullptr}}), std::nullopt);
  EXPECT_EQ(PaymentType::fromOrder(Dictionary::array({"upi"})), std::nullopt);
}

TEST(OrderKeysTests, KeysAreTheOrderDictionarysSnakeCaseNames) {
  EXPECT_EQ(OrderKeys::orderType, "order_type");
  EXPECT_EQ(OrderKeys::upiApp, "upi_app");
  EXPECT_EQ(OrderKeys::requestId, "request_id");
  EXPECT_EQ(OrderKeys::moid, "moid");
  EXPECT_EQ(OrderKeys::mid, "mid");
  EXPECT_EQ(OrderKeys::phone, "phone");
  EXPECT_EQ(OrderKeys::total, "total");
  EXPECT_EQ(OrderKeys::tarvelOid, "tarvel_oid");
}

TEST(DictionaryReadingTests, ValuesOfAnotherTypeCountAsMissing) {
  Dictionary order = {{"total", 12.5}, {"phone", "98"}, {"nested", {{"a", 1}}}};
  EXPECT_EQ(detail::stringValue(order, OrderKeys::total), std::nullopt);
  EXPECT_EQ(detail::stringValue(order, OrderKeys::phone), "98");
  EXPECT_EQ(detail::stringValue(order, "absent"), std::nullopt);
  EXPECT_EQ(detail::stringValue(Dictionary("text"), "phone"), std::nullopt);
  ASSERT_NE(detail::objectValue(order, "nested"), nullptr);
  EXPECT_EQ(detail::objectValue(order, "phone"), nullptr);
}

}  // namespace
}  // namespace tarvel
