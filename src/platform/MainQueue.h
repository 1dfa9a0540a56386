#pragma once

#include <chrono>      // milliseconds
#include <functional>  // function
#include <memory>      // shared_ptr

#include "platform/Clock.h"
#include "platform/DispatchToken.h"

class QObject;

namespace tarvel::detail {

/// Dispatch to the Qt main thread's event loop.
struct MainQueue {
  /// Runs `work` on the main thread in a later turn of its event loop. Safe from any thread;
  /// without a Qt application object the work is dropped and logged.
  static void async(std::function<void()> work);

  /// Runs `work` on the main thread after `delay`, measured by the installed clock. Safe from
  /// any thread.
  static DispatchToken asyncAfter(std::chrono::milliseconds delay, std::function<void()> work);

  /// Installs the process-wide clock; nullptr restores the QTimer clock. Timers already
  /// scheduled stay on the clock they were scheduled on.
  static void setClock(std::shared_ptr<Clock> clock);
  static std::shared_ptr<Clock> clock();

  /// True on the thread of the Qt application object.
  static bool isMainThread();

  /// True for the object that receives the wake-up events `async` posts from other threads.
  /// An application-wide event filter asks this before it reads an event: the event was made
  /// on the posting thread, and only the queue's own mutex orders it for ThreadSanitizer.
  static bool isWakeUpReceiver(const QObject* object);
};

}  // namespace tarvel::detail
