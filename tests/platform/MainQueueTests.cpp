// The main queue and the repeating timer on the manual clock, then on the default clock's real
// QTimers (bounded waits for events, no timing assertions).
#include <chrono>   // milliseconds, seconds
#include <cstddef>  // size_t
#include <memory>   // make_shared, make_unique, shared_ptr, unique_ptr
#include <thread>   // thread
#include <vector>   // vector

#include <QThread>

#include <gtest/gtest.h>

#include "ManualClock.h"
#include "QtWait.h"
#include "platform/MainQueue.h"
#include "platform/RepeatingTimer.h"

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
  long now() const { return static_cast<long>(clock_->now().count()); }

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

// Ticks count from the last start. Invalidating, destroying, and the owner dropping the timer
// inside its own tick each stop it; an invalidated timer starts again.
TEST_F(RepeatingTimerTests, TicksFromTheLastStartUntilStoppedAndStartsAgain) {
  std::vector<long> ticks;
  std::unique_ptr<RepeatingTimer> timer;
  std::size_t dropAt = 0;  // the tick inside which the owner drops the timer
  const auto startTimer = [&] {
    timer = std::make_unique<RepeatingTimer>(seconds(5), [&] {
      ticks.push_back(now());
      if (ticks.size() == dropAt) timer.reset();
    });
    timer->start();
  };
  startTimer();
  clock_->advance(seconds(3));
  timer->start();
  clock_->advance(seconds(122));
  ASSERT_EQ(ticks.size(), 24u);
  EXPECT_EQ(ticks.front(), 8000);
  EXPECT_EQ(ticks.back(), 123000);

  timer->invalidate();
  EXPECT_FALSE(timer->isValid());
  clock_->advance(seconds(60));
  timer->start();
  clock_->advance(seconds(5));
  ASSERT_EQ(ticks.size(), 25u);
  EXPECT_EQ(ticks.back(), 190000);
  timer.reset();
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks.size(), 25u);

  dropAt = 30;
  startTimer();
  clock_->advance(seconds(100));
  EXPECT_EQ(ticks.size(), 30u);
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

}  // namespace
}  // namespace tarvel
