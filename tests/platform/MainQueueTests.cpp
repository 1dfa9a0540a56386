#include <gtest/gtest.h>

#include <chrono>  // milliseconds, seconds
#include <memory>  // make_shared, make_unique, shared_ptr
#include <thread>  // thread
#include <vector>  // vector

#include <QThread>

#include "QtTestMain.h"
#include "platform/MainQueue.h"

namespace tarvel {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class MainQueueTests : public ::testing::Test {
 protected:
  void SetUp() override { MainQueue::setClock(clock_); }
  void TearDown() override { MainQueue::setClock(nullptr); }
  long now() const { return static_cast<long>(clock_->now().count()); }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  QThread* mainThread_ = QCoreApplication::instance()->thread();
};

TEST_F(MainQueueTests, DelayedDispatchFiresOnceAtItsTimeInOrderUnlessCancelled) {
  std::vector<long> firedAt;
  MainQueue::asyncAfter(seconds(15), [&] { firedAt.push_back(now()); });
  clock_->advance(milliseconds(14999));
  EXPECT_TRUE(firedAt.empty());
  clock_->advance(milliseconds(1));
  EXPECT_EQ(firedAt, (std::vector<long>{15000}));

  std::vector<int> order;  // by due time
  MainQueue::asyncAfter(milliseconds(300), [&] { order.push_back(3); });
  MainQueue::asyncAfter(milliseconds(100), [&] { order.push_back(1); });
  MainQueue::asyncAfter(milliseconds(200), [&] { order.push_back(2); });
  DispatchToken token = MainQueue::asyncAfter(seconds(1), [&] { order.push_back(-1); });
  token.cancel();
  clock_->advance(seconds(60));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(token.isCancelled());
  EXPECT_EQ(firedAt.size(), 1u) << "a delayed dispatch fires once";
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

TEST_F(MainQueueTests, RepeatingTimerTicksEveryIntervalUntilInvalidatedOrDestroyed) {
  std::vector<long> ticks;
  auto timer = std::make_unique<RepeatingTimer>(seconds(5), [&] { ticks.push_back(now()); });
  timer->start();
  clock_->advance(seconds(3));
  timer->start();  // a restart counts from the restart
  clock_->advance(seconds(122));
  ASSERT_EQ(ticks.size(), 24u);
  EXPECT_EQ(ticks.front(), 8000);
  EXPECT_EQ(ticks.back(), 123000);
  timer->invalidate();
  EXPECT_FALSE(timer->isValid());
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks.size(), 24u);

  timer->start();
  clock_->advance(seconds(5));
  timer.reset();
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks.size(), 25u) << "destroying a timer cancels it";

  int selfStopping = 0;  // the owner drops the timer inside its own tick
  timer = std::make_unique<RepeatingTimer>(seconds(5), [&] {
    if (++selfStopping == 5) timer.reset();
  });
  timer->start();
  clock_->advance(seconds(100));
  EXPECT_EQ(selfStopping, 5);
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

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

TEST(QtClockTests, FiresDelayedDispatchAndRepeatingTimers) {
  MainQueue::setClock(nullptr);
  bool delayed = false;
  MainQueue::asyncAfter(milliseconds(10), [&] { delayed = true; });
  int ticks = 0;
  RepeatingTimer timer(milliseconds(5), [&] { ++ticks; });
  timer.start();
  bool cancelledRan = false;
  MainQueue::asyncAfter(milliseconds(1), [&] { cancelledRan = true; }).cancel();

  EXPECT_TRUE(test::processEventsUntil([&] { return delayed && ticks >= 3; }));
  timer.invalidate();
  const int ticksAtStop = ticks;
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(ticks, ticksAtStop);
  EXPECT_FALSE(cancelledRan);
}

}  // namespace
}  // namespace tarvel
