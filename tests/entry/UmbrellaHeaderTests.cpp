// Host code compiles against the umbrella header alone, with the documented shapes.
#include <gtest/gtest.h>

#include "tarvel/Tarvel.h"

namespace {

class RecordingDelegate : public tarvel::TarvelPaymentStatusDelegate {
 public:
  void tarvelPayment(bool, const tarvel::Dictionary&) override {}
};

TEST(UmbrellaHeaderTests, PublicShapesAreReachableThroughOneInclude) {
  static_assert(std::is_constructible_v<tarvel::TarvelCheckout, bool,
                                        std::shared_ptr<tarvel::TarvelPaymentStatusDelegate>>);
  static_assert(std::is_base_of_v<tarvel::VXAPIServiceProtocol, tarvel::APIService>);
  static_assert(std::is_base_of_v<tarvel::CheckoutScreen, tarvel::CustomeCheckout>);
  EXPECT_EQ(tarvel::rawValue(tarvel::APIError::noNetwork), "No Network");
  EXPECT_EQ(tarvel::apiErrorFromRawValue("Data Not Found"), tarvel::APIError::dataNotFound);
  auto viewModel = std::make_shared<tarvel::VerifyOTPViewModel>(
      std::make_shared<tarvel::APIService>(), tarvel::Dictionary::object());
  viewModel->onSuccessRto = [](const tarvel::Dictionary&) {};
  viewModel->onFailureRto = [](const std::string&) {};
  EXPECT_TRUE(viewModel->getOrderVerifyData().empty());
  // The generated header and the linked library name the same version.
  EXPECT_STREQ(tarvel::version(), (std::to_string(TARVEL_CHECKOUT_VERSION_MAJOR) + "." +
                                   std::to_string(TARVEL_CHECKOUT_VERSION_MINOR) + "." +
                                   std::to_string(TARVEL_CHECKOUT_VERSION_PATCH))
                                      .c_str());
}

}  // namespace
