#include <chrono>  // seconds
#include <memory>  // make_shared, make_unique, shared_ptr, unique_ptr
#include <vector>  // vector

#include <gtest/gtest.h>

#include "ManualClock.h"
#include "platform/MainQueue.h"
#include "platform/RepeatingTimer.h"

namespace tarvel {
namespace {

using detail::MainQueue;
using detail::RepeatingTimer;
using std::chrono::seconds;

class RepeatingTimerTests : public ::testing::Test {
 protected:
  void SetUp() override { MainQueue::setClock(clock_); }
  void TearDown() override { MainQueue::setClock(nullptr); }
  long now() const { return static_cast<long>(clock_->now().count()); }

  std::shared_ptr<test::ManualClock> clock_ = std::make_shared<test::ManualClock>();
};

TEST_F(RepeatingTimerTests, TicksEveryIntervalCountingFromTheLastStart) {
  std::vector<long> ticks;
  RepeatingTimer timer(seconds(5), [&] { ticks.push_back(now()); });
  timer.start();
  clock_->advance(seconds(3));
  timer.start();
  clock_->advance(seconds(122));
  ASSERT_EQ(ticks.size(), 24u);
  EXPECT_EQ(ticks.front(), 8000);
  EXPECT_EQ(ticks.back(), 123000);
}

TEST_F(RepeatingTimerTests, StopsWhenInvalidatedOrDestroyed) {
  int ticks = 0;
  auto timer = std::make_unique<RepeatingTimer>(seconds(5), [&] { ++ticks; });
  timer->start();
  clock_->advance(seconds(5));
  timer->invalidate();
  EXPECT_FALSE(timer->isValid());
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks, 1);

  timer->start();
  clock_->advance(seconds(5));
  timer.reset();
  clock_->advance(seconds(60));
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

TEST_F(RepeatingTimerTests, AnOwnerMayDropTheTimerInsideItsTick) {
  int ticks = 0;
  std::unique_ptr<RepeatingTimer> timer;
  timer = std::make_unique<RepeatingTimer>(seconds(5), [&] {
    if (++ticks == 5) timer.reset();
  });
  timer->start();
  clock_->advance(seconds(100));
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(clock_->pendingCount(), 0u);
}

}  // namespace
}  // namespace tarvel
