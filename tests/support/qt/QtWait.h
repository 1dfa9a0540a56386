#pragma once

#include <chrono>  // milliseconds, steady_clock

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

namespace tarvel::test {

/// Runs the event loop (flushing deferred deletions, which wait for an explicit flush outside
/// a running loop) until `done` or the bound passes; returns whether `done` came true.
///
///   ASSERT_TRUE(test::processEventsUntil([&] { return !host->outcomes().empty(); }));
template <typename Predicate>
bool processEventsUntil(Predicate done,
                        std::chrono::milliseconds bound = std::chrono::milliseconds(10000)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return true;
}

/// Lets work already posted to the main thread run, and deferred deletions happen.
inline void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

}  // namespace tarvel::test
