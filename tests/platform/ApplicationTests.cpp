// Opening another application's URL: through an injected registry of installed schemes, and
// through the default one, GIO's, reading a private XDG registry this process's start prepares.
#include <chrono>      // seconds
#include <cstdlib>     // setenv
#include <filesystem>  // create_directories, permissions
#include <fstream>     // ifstream
#include <iterator>    // istreambuf_iterator
#include <memory>      // make_shared, shared_ptr
#include <optional>    // optional
#include <set>         // set
#include <string>      // string
#include <vector>      // vector

#include <QThread>

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"
#include "QtTestMain.h"
#include "QtWait.h"
#include "TemporaryDirectory.h"
#include "platform/Application.h"

namespace tarvel {

// The file the registered handler writes the URL it was launched with into.
static std::string openedUrlFile;

// GIO reads the XDG variables once, so they are set before the QApplication exists: one handler,
// of "tarveltestpay", in a folder that lives until the tests have run.
std::shared_ptr<void> test::prepareTestProcess() {
  namespace fs = std::filesystem;
  auto folder = std::make_shared<test::TemporaryDirectory>();
  fs::create_directories(folder->path() / "data" / "applications");
  fs::create_directories(folder->path() / "config");
  openedUrlFile = folder->file("opened-url.txt");
  const std::string script =
      folder->write("record-url.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + openedUrlFile + "\"\n");
  fs::permissions(script, fs::perms::owner_all);
  folder->write("data/applications/tarvel-test-pay.desktop",
                "[Desktop Entry]\nType=Application\nName=Tarvel Test Pay\nExec=" + script +
                    " %u\nNoDisplay=true\nMimeType=x-scheme-handler/tarveltestpay;\n");
  folder->write("config/mimeapps.list",
                "[Default Applications]\nx-scheme-handler/tarveltestpay=tarvel-test-pay.desktop\n");
  setenv("XDG_DATA_HOME", (folder->path() / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder->path() / "config").c_str(), 1);
  return folder;
}

namespace {

using detail::Application;

// Opens `url` through the application and waits (bounded) for its completion.
std::optional<bool> openAndWait(const std::string& url) {
  std::optional<bool> result;
  QThread* completedOn = nullptr;
  Application::shared()->open(url, [&](bool launched) {
    result = launched;
    completedOn = QThread::currentThread();
  });
  EXPECT_FALSE(result.has_value()) << "the completion comes in a later turn";
  EXPECT_TRUE(
      test::processEventsUntil([&] { return result.has_value(); }, std::chrono::seconds(20)));
  EXPECT_EQ(completedOn, QCoreApplication::instance()->thread());
  return result;
}

TEST(ApplicationTests, AnInjectedRegistryAnswersForSchemesInAnyCase) {
  auto registry =
      std::make_shared<test::InstalledSchemesRegistry>(std::set<std::string>{"phonepe"});
  Application::setUrlSchemeRegistry(registry);
  Application* app = Application::shared();
  EXPECT_TRUE(app->canOpenURL("PhonePe://app"));
  EXPECT_FALSE(app->canOpenURL("paytm://app"));
  EXPECT_FALSE(app->canOpenURL("no scheme here"));
  EXPECT_FALSE(app->canOpenURL("1abc://x"));
  EXPECT_EQ(registry->probedSchemes(), (std::vector<std::string>{"phonepe", "paytm"}));

  // (Launches through the registry, with the link unchanged or failing: the UPI screen's tests.)
  EXPECT_EQ(openAndWait("paytm://upi/pay"), false) << "unhandled scheme";
  EXPECT_TRUE(registry->openedUrls().empty());
  Application::setUrlSchemeRegistry(nullptr);
}

// The default registry launches the handler from a thread of its own; a link longer than the
// system passes to a process is reported as not launched.
TEST(GioUrlSchemeRegistryTests, LaunchesTheRegisteredHandlerWithThePercentEscapesIntact) {
  Application::setUrlSchemeRegistry(nullptr);
  EXPECT_FALSE(Application::shared()->canOpenURL("tarvelnosuchscheme://x"));
  const std::string url = "tarveltestpay://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  ASSERT_EQ(openAndWait(url), true);
  EXPECT_TRUE(test::processEventsUntil([&] {
    std::ifstream file(openedUrlFile);
    return std::string(std::istreambuf_iterator<char>(file), {}) == url;
  })) << "the handler never ran with the URL intact";
  EXPECT_EQ(openAndWait(url + "&tn=" + std::string(256 * 1024, 'x')), false);
}

}  // namespace
}  // namespace tarvel
