#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace tarvel {
class NavigationController;
}  // namespace tarvel

namespace tarvel::detail {

/// The host's window root that the component's navigation controller stands in for while the
/// component shows screens there: the host's former root (its widget, or its own screen), and
/// the widget that had the window's focus. Once no screen of the component is left above the
/// bottom of the stack, `handBackIdle` puts the host's root back in the window, as it was
/// (with the window's own size for it and the focus where it was), and deletes the navigation
/// controller. Lives as a child of that controller. Main thread only.
class HostRootLease : public QObject {
  Q_OBJECT

 public:
  /// Records that `navigation` took `hostRoot`'s place in `window` (`hostRoot` is the
  /// controller's bottom screen or the widget inside it) while `focus` had the focus.
  static void take(QWidget* window, NavigationController* navigation, QWidget* hostRoot,
                   QWidget* focus);
  /// Hands every window back whose navigation controller shows only its bottom screen.
  static void handBackIdle();

 private:
  HostRootLease(QWidget* window, NavigationController* navigation, QWidget* hostRoot,
                QWidget* focus);
  bool handBackIfIdle();

  QPointer<QWidget> window_;
  QPointer<NavigationController> navigation_;
  QPointer<QWidget> hostRoot_;
  QPointer<QWidget> focus_;
};

}  // namespace tarvel::detail
