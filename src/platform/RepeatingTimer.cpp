#include "platform/RepeatingTimer.h"

#include <utility>  // move

#include "platform/MainQueue.h"

namespace tarvel::detail {

RepeatingTimer::RepeatingTimer(std::chrono::milliseconds interval, std::function<void()> tick)
    : interval_(interval), tick_(std::make_shared<std::function<void()>>(std::move(tick))) {}

RepeatingTimer::~RepeatingTimer() { invalidate(); }

// The clock holds the tick weakly: a tick already taken from the clock finds a destroyed
// timer gone and does nothing.
void RepeatingTimer::start() {
  invalidate();
  clock_ = MainQueue::clock();
  std::weak_ptr<std::function<void()>> tick = tick_;
  id_ = clock_->schedule(interval_, true, [tick] {
    if (auto strong = tick.lock()) (*strong)();
  });
}

void RepeatingTimer::invalidate() {
  if (!clock_) return;
  clock_->cancel(id_);
  clock_.reset();
  id_ = 0;
}

bool RepeatingTimer::isValid() const { return clock_ != nullptr; }

}  // namespace tarvel::detail
