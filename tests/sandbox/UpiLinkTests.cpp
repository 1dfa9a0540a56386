#include <gtest/gtest.h>

#include "UpiLink.h"

namespace tarvel::sandbox {
namespace {

UpiLink sampleLink() {
  UpiLink link;
  link.payeeAddress = "shop@bank";
  link.payeeName = "Shop & Sons 100%";
  link.amount = "499.00";
  link.reference = "tvl_0123abcd";
  return link;
}

// What the component does before opening an app: "<app>://upi/" + the link without "upi://",
// then escapes "%" and spaces once more for URL query use.
std::string asComponentOpensIt(const std::string& app, const std::string& link) {
  std::string deepLink = app + "://upi/" + link.substr(6);
  std::string escaped;
  for (char c : deepLink) escaped += c == '%' ? std::string("%25") : std::string(1, c);
  return escaped;
}

TEST(UpiLinkTests, BuildsAPercentEncodedPayLink) {
  EXPECT_EQ(sampleLink().toString(),
            "upi://pay?pa=shop%40bank&pn=Shop%20%26%20Sons%20100%25&am=499.00&tr=tvl_0123abcd"
            "&cu=INR");
}

TEST(UpiLinkTests, ReadsTheLinkBackAfterTheComponentEscapedItAgain) {
  const auto original = sampleLink();
  for (const auto& link :
       {original.toString(), asComponentOpensIt("phonepe", original.toString())}) {
    const auto parsed = UpiLink::parse(link);
    ASSERT_TRUE(parsed) << link;
    EXPECT_EQ(parsed->payeeAddress, original.payeeAddress);
    EXPECT_EQ(parsed->payeeName, original.payeeName);
    EXPECT_EQ(parsed->amount, original.amount);
    EXPECT_EQ(parsed->reference, original.reference);
    EXPECT_EQ(parsed->currency, "INR");
  }
  EXPECT_EQ(UpiLink::parse(asComponentOpensIt("gpay", original.toString()))->scheme, "gpay");
}

TEST(UpiLinkTests, RefusesLinksThatNameNoOrder) {
  EXPECT_FALSE(UpiLink::parse("phonepe://upi/pay?pa=a&am=1"));
  EXPECT_FALSE(UpiLink::parse("phonepe://app"));
  EXPECT_FALSE(UpiLink::parse("https://example.org/pay?tr=1"));
  EXPECT_FALSE(UpiLink::parse("nonsense"));
  EXPECT_FALSE(UpiLink::parse("upi://pay?tr=%zz"));
  EXPECT_FALSE(UpiLink::percentDecode("%4"));
  EXPECT_EQ(UpiLink::parse("upi://pay?tr=x&am=")->amount, "");
}

}  // namespace
}  // namespace tarvel::sandbox
