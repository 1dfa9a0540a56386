#pragma once

#include <chrono>      // milliseconds
#include <functional>  // function
#include <memory>      // shared_ptr

#include "platform/Clock.h"
#include "platform/DispatchToken.h"

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
};

}  // namespace tarvel::detail
