#include <chrono>  // milliseconds, seconds
#include <memory>  // make_shared, shared_ptr
#include <thread>  // thread
#include <vector>  // vector

#include <QThread>

#include <gtest/gtest.h>

#include "ManualClock.h"
#include "QtWait.h"
#include "platform/MainQueue.h"

namespace tarvel {
namespace {

using detail::DispatchToken;
using detail::MainQueue;
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

TEST_F(MainQueueTests, DelayedDispatchesFireOnceEachAtTheirTimeUnlessCancelled) {
  std::vector<long> firedAt;
  for (long due : {300, 15000, 100, 200}) {
    MainQueue::asyncAfter(milliseconds(due), [&] { firedAt.push_back(now()); });
  }
  DispatchToken token = MainQueue::asyncAfter(seconds(1), [&] { firedAt.push_back(-1); });
  token.cancel();
  clock_->advance(milliseconds(14999));
  EXPECT_EQ(firedAt, (std::vector<long>{100, 200, 300}));
  clock_->advance(milliseconds(1));
  clock_->advance(seconds(60));
  EXPECT_EQ(firedAt, (std::vector<long>{100, 200, 300, 15000}));
  EXPECT_TRUE(token.isCancelled());
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

}  // namespace
}  // namespace tarvel
