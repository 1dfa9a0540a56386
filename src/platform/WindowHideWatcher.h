#pragma once

#include <functional>  // function

#include <QObject>
#include <QPointer>

class QWidget;

namespace tarvel::detail {

/// Tells once when a window is hidden or closed (a host that keeps running with
/// setQuitOnLastWindowClosed(false) only hides its window on close). A minimised window still
/// counts as shown. Lives as a child of `parent` (the screen shown in the window), so it stops
/// with it. Main thread only.
class WindowHideWatcher : public QObject {
  Q_OBJECT

 public:
  WindowHideWatcher(QWidget* window, std::function<void()> hidden, QObject* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  std::function<void()> hidden_;
};

}  // namespace tarvel::detail
