#include <gtest/gtest.h>

#include <chrono>  // milliseconds, seconds, steady_clock
#include <memory>  // make_shared, shared_ptr
#include <thread>  // thread, this_thread
#include <vector>  // vector

#include <QCoreApplication>
#include <QThread>

#include "platform/MainQueue.h"

namespace tarvel {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Runs the event loop until `done` or a bound passes.
template <typename Predicate>
bool processEventsUntil(Predicate done, milliseconds bound = milliseconds(5000)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class ManualClockTests : public ::testing::Test {
 protected:
  void SetUp() override { MainQueue::setClock(clock_); }
  void TearDown() override { MainQueue::setClock(nullptr); }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
};

TEST_F(ManualClockTests, DelayedDispatchFiresAtItsVirtualTime) {
  std::vector<long> firedAt;
  MainQueue::asyncAfter(seconds(15), [&] { firedAt.push_back(clock_->now().count()); });

  clock_->advance(milliseconds(14999));
  EXPECT_TRUE(firedAt.empty());
  clock_->advance(milliseconds(1));
  EXPECT_EQ(firedAt, (std::vector<long>{15000}));
  clock_->advance(seconds(60));
  EXPECT_EQ(firedAt.size(), 1u) << "a delayed dispatch fires once";
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

TEST_F(ManualClockTests, CallbacksFireInOrderOfDueTimeThenOfScheduling) {
  std::vector<int> order;
  MainQueue::asyncAfter(milliseconds(300), [&] { order.push_back(3); });
  MainQueue::asyncAfter(milliseconds(100), [&] { order.push_back(1); });
  MainQueue::asyncAfter(milliseconds(200), [&] { order.push_back(2); });
  MainQueue::asyncAfter(milliseconds(200), [&] { order.push_back(22); });
  clock_->advance(seconds(1));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 22, 3}));
  EXPECT_EQ(clock_->now(), seconds(1));
}

TEST_F(ManualClockTests, CallbacksScheduledWhileAdvancingFireWithinTheSameAdvance) {
  std::vector<long> firedAt;
  MainQueue::asyncAfter(seconds(1), [&] {
    firedAt.push_back(clock_->now().count());
    MainQueue::asyncAfter(seconds(1), [&] { firedAt.push_back(clock_->now().count()); });
  });
  clock_->advance(seconds(3));
  EXPECT_EQ(firedAt, (std::vector<long>{1000, 2000}));
}

TEST_F(ManualClockTests, CancelledDispatchNeverFires) {
  bool fired = false;
  DispatchToken token = MainQueue::asyncAfter(seconds(1), [&] { fired = true; });
  token.cancel();
  clock_->advance(seconds(2));
  EXPECT_FALSE(fired);
  EXPECT_TRUE(token.isCancelled());
}

TEST_F(ManualClockTests, RepeatingTimerTicksEveryIntervalUntilInvalidated) {
  std::vector<long> ticks;
  RepeatingTimer timer(seconds(5), [&] { ticks.push_back(clock_->now().count()); });
  timer.start();
  EXPECT_TRUE(timer.isValid());

  clock_->advance(seconds(120));  // a 24-poll flow in one step
  ASSERT_EQ(ticks.size(), 24u);
  EXPECT_EQ(ticks.front(), 5000);
  EXPECT_EQ(ticks.back(), 120000);

  timer.invalidate();
  EXPECT_FALSE(timer.isValid());
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks.size(), 24u);
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

TEST_F(ManualClockTests, RepeatingTimerCanStopItselfFromItsTick) {
  int ticks = 0;
  std::unique_ptr<RepeatingTimer> timer;
  timer = std::make_unique<RepeatingTimer>(seconds(5), [&] {
    if (++ticks == 5) timer.reset();  // the owner drops the timer inside its own tick
  });
  timer->start();
  clock_->advance(seconds(100));
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

TEST_F(ManualClockTests, DestroyingATimerCancelsIt) {
  int ticks = 0;
  {
    RepeatingTimer timer(seconds(1), [&] { ++ticks; });
    timer.start();
    clock_->advance(seconds(2));
  }
  clock_->advance(seconds(5));
  EXPECT_EQ(ticks, 2);
}

TEST_F(ManualClockTests, RestartingATimerCountsFromTheRestart) {
  std::vector<long> ticks;
  RepeatingTimer timer(seconds(5), [&] { ticks.push_back(clock_->now().count()); });
  timer.start();
  clock_->advance(seconds(3));
  timer.start();
  clock_->advance(seconds(6));
  EXPECT_EQ(ticks, (std::vector<long>{8000}));
}

TEST_F(ManualClockTests, DelayedDispatchFromAWorkerThreadRunsOnTheMainThread) {
  QThread* mainThread = QCoreApplication::instance()->thread();
  QThread* ranOn = nullptr;
  std::thread worker(
      [&] { MainQueue::asyncAfter(seconds(1), [&] { ranOn = QThread::currentThread(); }); });
  worker.join();
  // The dispatch reaches the clock through the main queue, then waits for virtual time.
  ASSERT_TRUE(processEventsUntil([&] { return clock_->pendingCount() == 1; }));
  EXPECT_EQ(ranOn, nullptr);
  clock_->advance(seconds(1));
  EXPECT_EQ(ranOn, mainThread);
}

TEST(MainQueueTests, AsyncFromAWorkerThreadRunsOnTheMainThreadInOrder) {
  QThread* mainThread = QCoreApplication::instance()->thread();
  std::vector<int> order;
  bool allOnMain = true;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) {
      MainQueue::async([&, i] {
        allOnMain = allOnMain && QThread::currentThread() == mainThread;
        order.push_back(i);
      });
    }
  });
  worker.join();
  ASSERT_TRUE(processEventsUntil([&] { return order.size() == 50; }));
  EXPECT_TRUE(allOnMain);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
}

TEST(MainQueueTests, AsyncNeverRunsWithinTheCallingTurn) {
  bool ran = false;
  MainQueue::async([&] { ran = true; });
  EXPECT_FALSE(ran);
  ASSERT_TRUE(processEventsUntil([&] { return ran; }));
}

TEST(MainQueueTests, QtClockFiresDelayedDispatchAndRepeatingTimers) {
  MainQueue::setClock(nullptr);
  bool delayed = false;
  MainQueue::asyncAfter(milliseconds(10), [&] { delayed = true; });
  int ticks = 0;
  RepeatingTimer timer(milliseconds(5), [&] { ++ticks; });
  timer.start();
  bool cancelledRan = false;
  MainQueue::asyncAfter(milliseconds(1), [&] { cancelledRan = true; }).cancel();

  EXPECT_TRUE(processEventsUntil([&] { return delayed && ticks >= 3; }));
  timer.invalidate();
  const int ticksAtStop = ticks;
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(ticks, ticksAtStop);
  EXPECT_FALSE(cancelledRan);
}

}  // namespace
}  // namespace tarvel
