#pragma once

#include <functional>  // function

namespace tarvel::detail {

/// Starts Qt WebEngine (its browser context, the default profile and a renderer process) on a
/// hidden blank page before the first web checkout needs it, so that the checkout's own page
/// opens without the engine's start-up on the GUI thread. The page is released when the first
/// web checkout has made its own, or stays until the application quits.
///
/// Main thread only, with a QApplication made with Qt::AA_ShareOpenGLContexts. Repeated calls
/// start nothing new; each `ready` runs once on the main thread, when the engine has loaded
/// its first page (at once when it has already).
class WebEngineWarmUp {
 public:
  static void start(std::function<void()> ready);
  /// The first web checkout has its own page now: the blank one goes.
  static void release();
};

}  // namespace tarvel::detail
