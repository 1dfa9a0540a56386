// The component's own service completes every operation against the sandbox platform over
// HTTPS, trusting the sandbox's generated CA: the contract between the two, end to end.
#include <gtest/gtest.h>

#include <future>  // promise
#include <memory>  // make_shared
#include <string>  // string

#include "CompletionRecorder.h"
#include "SandboxServer.h"
#include "network/UrlLoader.h"
#include "tarvel/APIService.h"

namespace tarvel {
namespace {

// The real service, with its hosts pointed at one sandbox instead of the environment's.
class SandboxAPIService : public APIService {
 public:
  SandboxAPIService(std::shared_ptr<detail::UrlLoader> loader, const sandbox::SandboxServer& server)
      : APIService(std::move(loader)),
        api_(server.apiBaseUrl()),
        analytics_(server.analyticsBaseUrl()) {}
  std::string baseUrl() const override { return api_; }
  std::string appAnalyticsBaseUrl() const override { return analytics_; }

 private:
  std::string api_;
  std::string analytics_;
};

class ComponentAgainstSandboxTests : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox::SandboxOptions options;
    options.https = true;
    server_ = std::make_unique<sandbox::SandboxServer>(options);
    ASSERT_TRUE(server_->start()) << server_->error();
    detail::UrlLoader::Options loaderOptions;
    loaderOptions.extraCaFile = server_->caFile();
    loaderOptions.timeout = std::chrono::seconds(10);
    loader_ = std::make_shared<detail::UrlLoader>(loaderOptions);
    service_ = std::make_unique<SandboxAPIService>(loader_, *server_);
  }

  // Runs one operation and returns its single completion's dictionary.
  template <typename Operation>
  Dictionary call(Operation operation, const Dictionary& params) {
    test::CompletionRecorder recorder;
    ((*service_).*operation)(params, recorder.completion());
    EXPECT_TRUE(recorder.waitForCall());
    EXPECT_FALSE(recorder.waitForCalls(2, std::chrono::milliseconds(50)));
    const auto result = recorder.last();
    EXPECT_FALSE(result.error.has_value()) << rawValue(*result.error);
    return result.response.value_or(Dictionary());
  }

  void payThroughControl(const std::string& tarvelOid) {
    std::promise<long> status;
    loader_->load(
        {"POST",
         server_->controlBaseUrl() + "pay",
         {"Content-Type: application/json"},
         Dictionary{{"tarvel_oid", tarvelOid}}.dump()},
        [&](detail::UrlLoadResult result) { status.set_value(result.statusCode.value_or(0)); });
    EXPECT_EQ(status.get_future().get(), 200);
  }

  std::unique_ptr<sandbox::SandboxServer> server_;
  std::shared_ptr<detail::UrlLoader> loader_;
  std::unique_ptr<SandboxAPIService> service_;
};

TEST_F(ComponentAgainstSandboxTests, EveryOperationCompletesWithTheShapeTheViewModelsRead) {
  const Dictionary order = {{"order_type", "upi"}, {"mid", "m1"},           {"moid", "contract-1"},
                            {"request_id", "r1"},  {"phone", "9000000001"}, {"total", "10.00"}};

  const Dictionary verified = call(&APIService::verifyPaymentData, order);
  ASSERT_TRUE(verified["tarvel_oid"].is_string());
  ASSERT_TRUE(verified["auth_token"].is_string());
  EXPECT_TRUE(verified["uapp"].is_array());
  EXPECT_EQ(verified["u_link"].get<std::string>().rfind("upi://pay?", 0), 0u);
  const Dictionary capture = {{"tarvel_oid", verified["tarvel_oid"]},
                              {"auth_token", verified["auth_token"]}};

  EXPECT_NE(call(&APIService::checkPaymentStatus, capture)["payment_status"], "PAID");
  payThroughControl(verified["tarvel_oid"]);
  EXPECT_EQ(call(&APIService::checkPaymentStatus, capture)["payment_status"], "PAID");

  const Dictionary otpRequest = {
      {"mid", "m1"}, {"phone", "9000000001"}, {"order_type", "cod"}, {"moid", "contract-1"}};
  EXPECT_TRUE(call(&APIService::sendOtp, otpRequest).is_object());
  EXPECT_TRUE(call(&APIService::reSendOtp, otpRequest).is_object());
  const auto otp = server_->lastOtp("contract-1", "9000000001");
  ASSERT_TRUE(otp.has_value());
  const Dictionary verifiedOtp = call(
      &APIService::verifyOtp, {{"phone", "9000000001"}, {"moid", "contract-1"}, {"otp", *otp}});
  EXPECT_EQ(verifiedOtp["statusCode"], 200);

  EXPECT_TRUE(
      call(&APIService::completeOrder, {{"request_id", "r1"}, {"moid", "contract-1"}})["data"]
          .is_object());
  EXPECT_TRUE(
      call(&APIService::appAnalytics, {{"type", "event"}, {"name", "otp"}})["data"].is_object());
  EXPECT_EQ(server_->events().size(), 1u);
}

}  // namespace
}  // namespace tarvel
