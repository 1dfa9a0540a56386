#pragma once

#include <memory>  // shared_ptr, make_shared
#include <string>  // string
#include <vector>  // vector

#include <QTest>

#include "EntryTestFixture.h"
#include "ManualClock.h"
#include "SandboxServer.h"
#include "UniqueMarker.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel::test {

/// The sandbox platform this process's component talks to (HTTPS, on 127.0.0.1).
sandbox::SandboxServer& sandboxPlatform();

/// The lines the sandbox has printed so far (requests, OTP notices), oldest first.
std::vector<std::string> sandboxConsole();

/// An order from the host's openCart to its callback through the real component in the shop's
/// shown window; only the clock is manual, so that polling and countdowns need no waiting.
class FlowTest : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::ScreenFactory::setShared(nullptr);
    detail::MainQueue::setClock(clock_);
    detail::Application::shared()->applyApplicationState(Qt::ApplicationActive);
    showHostWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  void TearDown() override {
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->close();
    EntryTestFixture::TearDown();
    detail::MainQueue::setClock(nullptr);
  }

  /// Opens `order` and waits (bounded) for the component's screen `Screen` to show.
  template <typename Screen>
  Screen* openCart(const Dictionary& order) {
    checkout_ = std::make_shared<TarvelCheckout>(false, host_);
    checkout_->openCart(order);
    Screen* screen = nullptr;
    EXPECT_TRUE(processEventsUntil([&] {
      NavigationController* navigation = windowNavigation();
      screen = navigation ? qobject_cast<Screen*>(navigation->visibleViewController()) : nullptr;
      return screen != nullptr;
    }));
    return screen;
  }
  /// Waits for the one outcome, the screen's release and the window's own root back.
  template <typename Screen>
  void expectOneOutcomeAndClosed(const QPointer<Screen>& screen, bool status) {
    ASSERT_TRUE(waitForOutcomes());
    EXPECT_TRUE(processEventsUntil([&] { return screen.isNull() && !windowNavigation(); }));
    settle();
    ASSERT_EQ(host_->outcomes().size(), 1u);
    EXPECT_EQ(host_->outcomes()[0].status, status);
    EXPECT_EQ(host_->outcomes()[0].thread, std::this_thread::get_id());
  }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<TarvelCheckout> checkout_;
};

}  // namespace tarvel::test
