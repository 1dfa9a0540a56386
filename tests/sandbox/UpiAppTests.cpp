#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"
#include "UpiAppRegistration.h"

namespace tarvel::sandbox {
namespace {

using testing::ChildProcess;
using testing::readFile;
using testing::RunningSandbox;

// The app decodes the link once, as a real one does: only the link as the platform encoded it
// pays; escaped twice, its payee reads "tarvel.sandbox%40upi", which is nobody's (the payee
// check itself, for any payee: ApiEndpointsTests). Without a state folder the sandbox's authority
// lives in a temporary one, gone when the server stops.
TEST(UpiAppTests, PaysTheOrderItsDeepLinkNamesToTheOrdersPayeeOnly) {
  RunningSandbox sandbox([](SandboxOptions& options) { options.https = true; });
  struct Case {
    const char* name;
    std::string from, to;  // replaced in the link
    bool pays;
  };
  for (const Case& c : {Case{"as the platform encoded it", "", "", true},
                        Case{"escaped twice", "%", "%25", false}}) {
    SCOPED_TRACE(c.name);
    const auto order =
        sandbox.verify({{"moid", std::string("upi-gpay-") + c.name}, {"total", "499"}});
    const std::string link = "gpay://upi/" + order["u_link"].get<std::string>().substr(6);
    const std::string deepLink = c.from.empty() ? link : testing::replaceAll(link, c.from, c.to);
    const auto [exitCode, output] = ChildProcess::run(
        {TARVEL_UPI_APP_EXE, deepLink}, {{"TARVEL_STAGING_API_URL", sandbox.server().apiBaseUrl()},
                                         {"TARVEL_CA_FILE", sandbox.server().caFile()}});
    EXPECT_EQ(exitCode, c.pays ? 0 : 1) << output;
    EXPECT_EQ(sandbox.capture(order).json.at("payment_status"), c.pays ? "PAID" : "PENDING");
    if (c.pays) {
      EXPECT_NE(output.find("499.00"), std::string::npos) << output;
      EXPECT_NE(output.find("Tarvel Sandbox Store"), std::string::npos) << output;
      EXPECT_EQ(sandbox.server().order(order["tarvel_oid"])->paidWith, "gpay");
    } else {
      EXPECT_NE(output.find("is not the order's payee"), std::string::npos) << output;
    }
  }
  const std::string temporaryCa = sandbox.server().caFile();
  sandbox.server().stop();
  EXPECT_FALSE(std::filesystem::exists(temporaryCa));
}

// "--register" makes every app the default handler of its scheme and keeps the other entries
// of mimeapps.list; GIO launching a registered app that pays: UpiCheckoutFlowTests.
TEST(UpiAppTests, RegisterMakesEveryAppTheDefaultAndKeepsOtherEntries) {
  test::TemporaryDirectory folder;
  const auto applications = folder.path() / "applications";
  std::filesystem::create_directories(applications);
  std::ofstream(applications / "mimeapps.list")
      << "[Default Applications]\ntext/plain=editor.desktop\n"
         "x-scheme-handler/phonepe=old.desktop\n[Added Associations]\ntext/html=b.desktop\n";
  const auto registered =
      ChildProcess::run({TARVEL_UPI_APP_EXE, "--register", folder.path().string()});
  ASSERT_EQ(registered.first, 0) << registered.second;

  const auto list = readFile(applications / "mimeapps.list");
  for (const auto& app : UpiAppRegistration::apps()) {
    const auto desktop = UpiAppRegistration::desktopFileName(app.scheme);
    EXPECT_NE(list.find("x-scheme-handler/" + app.scheme + "=" + desktop), std::string::npos)
        << list;
    EXPECT_NE(readFile(applications / desktop).find(std::string("Exec=") + TARVEL_UPI_APP_EXE),
              std::string::npos);
  }
  EXPECT_NE(list.find("text/plain=editor.desktop"), std::string::npos) << list;
  EXPECT_NE(list.find("[Added Associations]\ntext/html=b.desktop"), std::string::npos) << list;
  EXPECT_EQ(list.find("old.desktop"), std::string::npos) << list;
}

}  // namespace
}  // namespace tarvel::sandbox
