#pragma once

#include <chrono>  // milliseconds, steady_clock
#include <memory>  // shared_ptr

#include <QCoreApplication>

namespace tarvel::test {

/// Runs at the very start of main(), before the QApplication exists and before anything reads
/// the component's configuration: set environment variables, start servers. Each test
/// executable that uses QtTestMain.cpp defines it; what it returns is kept alive until the
/// tests have run and the QApplication is gone.
std::shared_ptr<void> prepareTestProcess();

/// Runs the event loop (flushing deferred deletions, which wait for an explicit flush outside
/// a running loop) until `done` or the bound passes.
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

/// Lets pending posted work run and deferred deletions happen.
inline void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

}  // namespace tarvel::test
