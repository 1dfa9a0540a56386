// The default clock, on real QTimers: bounded waits for events, no timing assertions.
#include <chrono>  // milliseconds

#include <gtest/gtest.h>

#include "QtWait.h"
#include "platform/MainQueue.h"
#include "platform/RepeatingTimer.h"

namespace tarvel {
namespace {

using detail::MainQueue;
using std::chrono::milliseconds;

TEST(QtClockTests, FiresDelayedDispatchAndRepeatingTimersUntilStopped) {
  MainQueue::setClock(nullptr);
  bool delayed = false;
  MainQueue::asyncAfter(milliseconds(10), [&] { delayed = true; });
  int ticks = 0;
  detail::RepeatingTimer timer(milliseconds(5), [&] { ++ticks; });
  timer.start();
  bool cancelledRan = false;
  MainQueue::asyncAfter(milliseconds(1), [&] { cancelledRan = true; }).cancel();

  EXPECT_TRUE(test::processEventsUntil([&] { return delayed && ticks >= 3; }));
  timer.invalidate();
  const int ticksAtStop = ticks;
  // Several intervals of the stopped timer pass before this fires.
  bool later = false;
  MainQueue::asyncAfter(milliseconds(25), [&] { later = true; });
  EXPECT_TRUE(test::processEventsUntil([&] { return later; }));
  EXPECT_EQ(ticks, ticksAtStop);
  EXPECT_FALSE(cancelledRan);
}

}  // namespace
}  // namespace tarvel
