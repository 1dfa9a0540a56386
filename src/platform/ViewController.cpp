#include "tarvel/ViewController.h"

#include <utility>  // move

#include <QEvent>

#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"

namespace tarvel {

ViewController::ViewController(QWidget* parent) : QWidget(parent) {}

// A host may delete a screen at any moment. Its containers let go of it here, while it is
// still a whole ViewController: once QWidget's destructor runs, its signals reach handlers
// that would find a half-destroyed screen still on a stack.
ViewController::~ViewController() {
  if (navigationController_) navigationController_->screenDestroyed(this);
  if (presenting_) presenting_->presentedDestroyed(this);
  // The presented screen is a child widget and outlives this part of the object for a moment.
  if (presented_) presented_->presenting_ = nullptr;
  // The left navigation item may sit in a navigation bar while this screen is on top.
  delete leftNavigationItem_.data();
}

void ViewController::loadViewIfNeeded() {
  if (viewLoaded_) return;
  viewLoaded_ = true;
  viewDidLoad();
}

bool ViewController::isViewLoaded() const { return viewLoaded_; }

NavigationController* ViewController::navigationController() const { return navigationController_; }

ViewController* ViewController::presentingViewController() const {
  if (presenting_) return presenting_;
  if (navigationController_) return navigationController_->presentingViewController();
  return nullptr;
}

ViewController* ViewController::presentedViewController() const { return presented_; }

QString ViewController::title() const { return title_; }

void ViewController::setTitle(const QString& title) {
  title_ = title;
  emit navigationItemChanged();
}

QWidget* ViewController::leftNavigationItem() const { return leftNavigationItem_; }

void ViewController::setLeftNavigationItem(QWidget* item) {
  if (leftNavigationItem_ == item) return;
  if (leftNavigationItem_) leftNavigationItem_->deleteLater();
  leftNavigationItem_ = item;
  if (item) {
    item->hide();
    item->setParent(this);
  }
  emit navigationItemChanged();
}

bool ViewController::isOnScreen() const { return appearance_ == Appearance::appeared; }

void ViewController::beginAppearanceTransition(bool isAppearing, bool animated) {
  const bool onOrComing =
      appearance_ == Appearance::appeared || appearance_ == Appearance::appearing;
  if (isAppearing == onOrComing) return;
  lastTransitionAnimated_ = animated;
  loadViewIfNeeded();
  appearance_ = isAppearing ? Appearance::appearing : Appearance::disappearing;
  if (isAppearing) {
    viewWillAppear(animated);
  } else {
    viewWillDisappear(animated);
  }
  for (ViewController* child : childViewControllersForAppearance()) {
    child->beginAppearanceTransition(isAppearing, animated);
  }
}

void ViewController::endAppearanceTransition() {
  const bool animated = lastTransitionAnimated_;
  if (appearance_ == Appearance::appearing) {
    appearance_ = Appearance::appeared;
    viewDidAppear(animated);
  } else if (appearance_ == Appearance::disappearing) {
    appearance_ = Appearance::disappeared;
    viewDidDisappear(animated);
  } else {
    return;
  }
  for (ViewController* child : childViewControllersForAppearance()) {
    child->endAppearanceTransition();
  }
}

QList<ViewController*> ViewController::childViewControllersForAppearance() const { return {}; }

bool ViewController::isHeldByContainer() const { return navigationController_ || presenting_; }

// A screen nobody holds (a window's root) follows its widget's visibility. What the user sees
// is the end of its presentation chain, so that screen receives the hooks.
void ViewController::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (isHeldByContainer()) return;
  loadViewIfNeeded();
  ViewController* leaf = visibleLeaf();
  leaf->beginAppearanceTransition(true, false);
  leaf->endAppearanceTransition();
}

void ViewController::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (isHeldByContainer()) return;
  ViewController* leaf = visibleLeaf();
  leaf->beginAppearanceTransition(false, false);
  leaf->endAppearanceTransition();
}

ViewController* ViewController::visibleLeaf() {
  ViewController* leaf = this;
  while (leaf->presented_) leaf = leaf->presented_;
  return leaf;
}

// Presentations belong to the outermost container, as on the phone toolkit: a screen on a
// navigation stack presents over the whole navigation controller, bar included. A container
// that already presents passes a new presentation up to the top of its chain, so that a second
// flow shows above the first instead of being lost.
ViewController* ViewController::presentationHost() {
  ViewController* host = this;
  while (host->navigationController_) host = host->navigationController_;
  return host->visibleLeaf();
}

bool ViewController::canPresent(const ViewController* screen) const {
  if (!screen) return false;
  if (screen->isHeldByContainer()) return false;
  return screen != this && !screen->isAncestorOf(this);
}

bool ViewController::present(ViewController* screen, bool animated,
                             std::function<void()> completion) {
  ViewController* host = presentationHost();
  if (!host->canPresent(screen)) {
    log(LogLevel::warning,
        "Attempt to present a screen that is already shown or would cover itself");
    return false;
  }
  screen->loadViewIfNeeded();
  screen->presenting_ = host;
  host->presented_ = screen;
  const bool hostOnScreen = host->appearance_ == Appearance::appeared;

  screen->setParent(host);
  host->coverWithPresented();
  host->installEventFilter(host);
  if (hostOnScreen) {
    host->beginAppearanceTransition(false, animated);
    screen->beginAppearanceTransition(true, animated);
  }
  screen->show();
  screen->raise();
  screen->setFocus();
  if (hostOnScreen) {
    host->endAppearanceTransition();
    screen->endAppearanceTransition();
  }
  if (completion) completion();
  return true;
}

void ViewController::coverWithPresented() {
  if (presented_) presented_->setGeometry(rect());
}

bool ViewController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == this && event->type() == QEvent::Resize) coverWithPresented();
  return QWidget::eventFilter(watched, event);
}

void ViewController::dismiss(bool animated, std::function<void()> completion) {
  if (presenting_) {
    presenting_->dismissPresented(animated, std::move(completion));
  } else if (presented_) {
    dismissPresented(animated, std::move(completion));
  } else if (navigationController_) {
    navigationController_->dismiss(animated, std::move(completion));
  } else if (completion) {
    completion();
  }
}

void ViewController::dismissPresented(bool animated, std::function<void()> completion) {
  if (presented_->presented_) {
    closeCoveredPresented();
    if (completion) completion();
    return;
  }
  QPointer<ViewController> screen = presented_;
  const bool screenOnScreen = screen->appearance_ == Appearance::appeared;
  if (screenOnScreen) {
    screen->beginAppearanceTransition(false, animated);
    beginAppearanceTransition(true, animated);
  }
  screen->hide();
  if (screenOnScreen) {
    screen->endAppearanceTransition();
    endAppearanceTransition();
  }
  removeEventFilter(this);
  presented_ = nullptr;
  screen->presenting_ = nullptr;
  screen->deleteLater();
  if (completion) completion();
}

// The presented screen is being deleted: this screen is what the user sees again (when the
// deleted one was on screen, or the end of its own presentations was).
void ViewController::presentedDestroyed(ViewController* screen) {
  if (presented_ != screen) return;
  const bool leafOnScreen = screen->visibleLeaf()->appearance_ == Appearance::appeared;
  presented_ = nullptr;
  screen->presenting_ = nullptr;
  removeEventFilter(this);
  if (leafOnScreen) {
    beginAppearanceTransition(true, false);
    endAppearanceTransition();
  }
}

// The presented screen is covered by its own presentation: it leaves without hooks (it is not
// on screen), and the presentation above it moves down onto this screen and stays on screen.
void ViewController::closeCoveredPresented() {
  ViewController* screen = presented_;
  ViewController* above = screen->presented_;
  above->presenting_ = this;
  presented_ = above;
  screen->presented_ = nullptr;
  screen->removeEventFilter(screen);
  above->setParent(this);
  coverWithPresented();
  above->show();
  above->raise();
  screen->hide();
  screen->presenting_ = nullptr;
  screen->deleteLater();
}

}  // namespace tarvel
