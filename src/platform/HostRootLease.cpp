#include "platform/HostRootLease.h"

#include <QList>
#include <QWidget>

#include "platform/KeyWindow.h"
#include "tarvel/NavigationController.h"

namespace tarvel::detail {
namespace {

QList<QPointer<HostRootLease>>& leases() {
  static QList<QPointer<HostRootLease>> all;
  return all;
}

}  // namespace

HostRootLease::HostRootLease(QWidget* window, NavigationController* navigation, QWidget* hostRoot,
                             QWidget* focus)
    : QObject(navigation),
      window_(window),
      navigation_(navigation),
      hostRoot_(hostRoot),
      focus_(focus) {}

void HostRootLease::take(QWidget* window, NavigationController* navigation, QWidget* hostRoot,
                         QWidget* focus) {
  leases().append(new HostRootLease(window, navigation, hostRoot, focus));
}

void HostRootLease::handBackIdle() {
  leases().removeAll(nullptr);
  for (const QPointer<HostRootLease>& lease : QList<QPointer<HostRootLease>>(leases())) {
    if (lease && lease->handBackIfIdle()) leases().removeAll(lease);
  }
}

// The host may have put something else in its window meanwhile: then the window stays its.
bool HostRootLease::handBackIfIdle() {
  NavigationController* navigation = navigation_;
  if (!navigation || !window_) return true;
  if (navigation->presentedViewController() || navigation->viewControllers().size() > 1) {
    return false;
  }
  if (KeyWindow::rootWidget(window_) != navigation) return true;
  KeyWindow::setRootWidget(window_, nullptr);
  if (hostRoot_) {
    hostRoot_->setParent(nullptr);
    KeyWindow::setRootWidget(window_, hostRoot_);
    if (focus_ && focus_->window() == window_) focus_->setFocus(Qt::OtherFocusReason);
  }
  navigation->deleteLater();
  return true;
}

}  // namespace tarvel::detail
