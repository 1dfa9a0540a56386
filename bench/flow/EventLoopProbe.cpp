#include "EventLoopProbe.h"

#include <algorithm>  // max

#include <time.h>  // clock_gettime

namespace tarvel::bench {

EventLoopProbe::EventLoopProbe(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &EventLoopProbe::tick);
}

void EventLoopProbe::start() {
  wall_.start();
  lastWallNs_ = 0;
  lastCpuNs_ = threadCpuNs();
  longestWallNs_ = longestCpuNs_ = longestCpuAtNs_ = 0;
  ticks_ = 0;
  timer_.start();
}

void EventLoopProbe::stop() {
  tick();
  timer_.stop();
}

void EventLoopProbe::tick() {
  const std::int64_t wallNs = wall_.nsecsElapsed();
  const std::int64_t cpuNs = threadCpuNs();
  const std::int64_t stallNs = wallNs - lastWallNs_ - std::int64_t{kTickMs} * 1000000;
  longestWallNs_ = std::max(longestWallNs_, stallNs);
  if (cpuNs - lastCpuNs_ > longestCpuNs_) {
    longestCpuNs_ = cpuNs - lastCpuNs_;
    longestCpuAtNs_ = wallNs;
  }
  lastWallNs_ = wallNs;
  lastCpuNs_ = cpuNs;
  ++ticks_;
}

std::int64_t EventLoopProbe::threadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

}  // namespace tarvel::bench
