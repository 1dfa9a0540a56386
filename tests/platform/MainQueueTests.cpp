// The component on Qt's own machinery: the main queue and the repeating timer on the manual
// clock, then on the default clock's real QTimers (bounded waits for events, no timing
// assertions); and log lines as Qt messages of the component's category.
#include <chrono>       // milliseconds, seconds
#include <cstddef>      // size_t
#include <functional>   // function
#include <memory>       // make_shared, make_unique, shared_ptr, unique_ptr
#include <string>       // string, to_string
#include <string_view>  // string_view
#include <thread>       // thread
#include <vector>       // vector

#include <QString>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include "ManualClock.h"
#include "QtWait.h"
#include "platform/LoggingCategory.h"
#include "platform/MainQueue.h"
#include "platform/RepeatingTimer.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

using detail::MainQueue;
using detail::RepeatingTimer;
using std::chrono::milliseconds;
using std::chrono::seconds;

class MainQueueTests : public ::testing::Test {
 protected:
  void SetUp() override { MainQueue::setClock(clock_); }
  void TearDown() override { MainQueue::setClock(nullptr); }

  std::shared_ptr<test::ManualClock> clock_ = std::make_shared<test::ManualClock>();
  QThread* mainThread_ = QCoreApplication::instance()->thread();
};
using RepeatingTimerTests = MainQueueTests;

TEST_F(MainQueueTests, WorkFromAWorkerThreadRunsLaterOnTheMainThreadInOrder) {
  std::vector<int> order;
  bool allOnMain = true;
  QThread* delayedOn = nullptr;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      MainQueue::async([&, i] {
        allOnMain = allOnMain && QThread::currentThread() == mainThread_;
        order.push_back(i);
      });
    }
    MainQueue::asyncAfter(seconds(1), [&] { delayedOn = QThread::currentThread(); });
  });
  worker.join();
  bool ran = false;
  MainQueue::async([&] { ran = true; });
  EXPECT_FALSE(ran) << "never within the calling turn";
  ASSERT_TRUE(test::processEventsUntil(
      [&] { return ran && order.size() == 50 && clock_->pendingCount() == 1; }));
  EXPECT_TRUE(allOnMain);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
  // The delayed dispatch reached the clock through the main queue; it waits for virtual time.
  EXPECT_EQ(delayedOn, nullptr);
  clock_->advance(seconds(1));
  EXPECT_EQ(delayedOn, mainThread_);
}

// Ticks every interval; invalidating, destroying, and the owner dropping the timer inside its
// own tick each stop it.
TEST_F(RepeatingTimerTests, TicksUntilInvalidatedDestroyedOrDroppedInItsOwnTick) {
  std::size_t ticks = 0;
  std::unique_ptr<RepeatingTimer> timer;
  std::size_t dropAt = 0;  // the tick inside which the owner drops the timer
  const auto startTimer = [&] {
    timer = std::make_unique<RepeatingTimer>(seconds(5), [&] {
      if (++ticks == dropAt) timer.reset();
    });
    timer->start();
  };
  startTimer();
  clock_->advance(seconds(122));
  ASSERT_EQ(ticks, 24u);
  timer->invalidate();
  EXPECT_FALSE(timer->isValid());
  clock_->advance(seconds(60));
  startTimer();
  timer.reset();
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks, 24u);

  dropAt = 30;
  startTimer();
  clock_->advance(seconds(100));
  EXPECT_EQ(ticks, 30u);
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

// The default clock's real timers: a delayed dispatch fires once unless cancelled, and a
// repeating timer ticks until stopped. (The order in which work falls due is the clock's own.)
TEST(QtClockTests, FiresDelayedDispatchOnceAndRepeatingTimersUntilStopped) {
  MainQueue::setClock(nullptr);
  int delayed = 0;
  MainQueue::asyncAfter(milliseconds(10), [&] { ++delayed; });
  int ticks = 0;
  RepeatingTimer timer(milliseconds(5), [&] { ++ticks; });
  timer.start();
  bool cancelledRan = false;
  MainQueue::asyncAfter(milliseconds(1), [&] { cancelledRan = true; }).cancel();

  EXPECT_TRUE(test::processEventsUntil([&] { return delayed > 0 && ticks >= 3; }));
  timer.invalidate();
  const int ticksAtStop = ticks;
  // Several intervals of the stopped timer and of the delayed dispatch pass before this fires.
  bool later = false;
  MainQueue::asyncAfter(milliseconds(25), [&] { later = true; });
  EXPECT_TRUE(test::processEventsUntil([&] { return later; }));
  EXPECT_EQ(ticks, ticksAtStop);
  EXPECT_EQ(delayed, 1);
  EXPECT_FALSE(cancelledRan);
}

// Where the Qt messages of the component's category that this thread logs go while collected.
thread_local QStringList* qtLines = nullptr;

void collectQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const char* level = type == QtWarningMsg ? "W " : type == QtInfoMsg ? "I " : "D ";
  if (qtLines && QString(context.category) == "tarvel.checkout") *qtLines << level + text;
}

// The Qt messages of the component's category that `work` logs, with their levels.
QStringList qtMessagesOf(const std::function<void()>& work) {
  QStringList lines;
  qtLines = &lines;
  const QtMessageHandler previous = qInstallMessageHandler(&collectQtMessage);
  work();
  qInstallMessageHandler(previous);
  qtLines = nullptr;
  return lines;
}

// Without a sink of the host, lines go out as Qt messages of "tarvel.checkout" at their own
// level, answer dumps (debug) off (a host that quiets the progress and keeps the warnings:
// TarvelCheckoutGuiHostTests, in a process of its own). A host's own sink takes the lines
// instead, with or without levels.
TEST(LoggingCategoryTests, LinesGoToQtAtTheirLevelUnlessAHostSinkTakesThem) {
  detail::routeLogThroughQt();
  const auto logEachLevel = [] {
    log(LogLevel::warning, "refused-3f9c");
    log(LogLevel::info, "progress-3f9c");
    log(LogLevel::debug, "dump-3f9c");
  };
  EXPECT_EQ(qtMessagesOf(logEachLevel), QStringList({"W refused-3f9c", "I progress-3f9c"}));

  std::vector<std::string> hostLines;
  EXPECT_TRUE(qtMessagesOf([&] {
                setLogSink([&](LogLevel level, std::string_view line) {
                  hostLines.push_back(std::to_string(static_cast<int>(level)) + std::string(line));
                });
                logEachLevel();
                setLogSink([&](std::string_view line) { hostLines.emplace_back(line); });
                log("plain-3f9c");
                setLogSink(nullptr);
              }).isEmpty());
  EXPECT_EQ(hostLines, (std::vector<std::string>{"2refused-3f9c", "1progress-3f9c", "0dump-3f9c",
                                                 "plain-3f9c"}));
}

}  // namespace
}  // namespace tarvel
