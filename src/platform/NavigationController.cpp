#include "tarvel/NavigationController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tarvel {

namespace {

constexpr int kNavigationBarHeight = 44;

}  // namespace

NavigationController::NavigationController(ViewController* root, QWidget* parent)
    : ViewController(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  bar_ = new QWidget(this);
  bar_->setObjectName("navigationBar");
  bar_->setFixedHeight(kNavigationBarHeight);
  auto* barLayout = new QHBoxLayout(bar_);
  barLayout->setContentsMargins(8, 0, 8, 0);
  leftSlot_ = new QWidget(bar_);
  auto* leftLayout = new QHBoxLayout(leftSlot_);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  titleLabel_ = new QLabel(bar_);
  titleLabel_->setObjectName("navigationTitle");
  titleLabel_->setAlignment(Qt::AlignCenter);
  barLayout->addWidget(leftSlot_, 0, Qt::AlignLeft | Qt::AlignVCenter);
  barLayout->addWidget(titleLabel_, 1);
  // Keeps the title centred against the left item.
  barLayout->addSpacing(kNavigationBarHeight);

  stack_ = new QStackedWidget(this);
  layout->addWidget(bar_);
  layout->addWidget(stack_, 1);

  if (root) {
    root->loadViewIfNeeded();
    addToStack(root);
    stack_->setCurrentWidget(root);
  }
  updateNavigationBar();
}

NavigationController::~NavigationController() {
  // The screens die with this widget, after this part of it is gone: neither their signals nor
  // their hide events may reach it any more.
  for (const auto& screen : screens_) {
    if (!screen) continue;
    disconnect(screen, nullptr, this, nullptr);
    screen->navigationController_ = nullptr;
  }
}

void NavigationController::addToStack(ViewController* screen) {
  screen->navigationController_ = this;
  screens_.append(screen);
  stack_->addWidget(screen);
  connect(screen, &ViewController::navigationItemChanged, this,
          &NavigationController::updateNavigationBar);
}

// Called from the screen's destructor (its own parts are gone, its ViewController part is
// whole). The screen below a deleted top screen is shown; the deleted one gets no hooks.
void NavigationController::screenDestroyed(ViewController* screen) {
  const bool wasTop = screen == topViewController();
  screens_.removeAll(screen);
  screens_.removeAll(nullptr);
  disconnect(screen, nullptr, this, nullptr);
  if (QWidget* item = screen->leftNavigationItem()) {
    leftSlot_->layout()->removeWidget(item);
    item->hide();
    item->setParent(screen);
  }
  stack_->removeWidget(screen);
  screen->navigationController_ = nullptr;
  ViewController* revealed = topViewController();
  if (!wasTop || !revealed) {
    updateNavigationBar();
    return;
  }
  const bool onScreen = isOnScreen();
  if (onScreen) revealed->beginAppearanceTransition(true, false);
  showOnTop(revealed);
  if (onScreen) revealed->endAppearanceTransition();
}

void NavigationController::pushViewController(ViewController* screen, bool animated) {
  if (!screen || screens_.contains(screen)) return;
  screen->loadViewIfNeeded();
  ViewController* old = topViewController();
  addToStack(screen);

  const bool onScreen = isOnScreen();
  if (onScreen) {
    if (old) old->beginAppearanceTransition(false, animated);
    screen->beginAppearanceTransition(true, animated);
  }
  showOnTop(screen);
  if (onScreen) {
    if (old) old->endAppearanceTransition();
    screen->endAppearanceTransition();
  }
}

ViewController* NavigationController::popViewController(bool animated) {
  if (screens_.size() < 2) return nullptr;
  ViewController* popped = screens_.last();
  ViewController* revealed = screens_.at(screens_.size() - 2);

  const bool onScreen = isOnScreen();
  if (onScreen) {
    popped->beginAppearanceTransition(false, animated);
    revealed->beginAppearanceTransition(true, animated);
  }
  removeFromStack(popped);
  showOnTop(revealed);
  if (onScreen) {
    popped->endAppearanceTransition();
    revealed->endAppearanceTransition();
  }
  popped->deleteLater();
  return popped;
}

bool NavigationController::removeViewController(ViewController* screen, bool animated) {
  const qsizetype index = screen ? screens_.indexOf(screen) : -1;
  if (index <= 0) return false;
  if (screen == topViewController()) return popViewController(animated) != nullptr;
  removeFromStack(screen);
  screen->deleteLater();
  return true;
}

void NavigationController::removeFromStack(ViewController* screen) {
  screens_.removeAll(screen);
  disconnect(screen, nullptr, this, nullptr);
  if (QWidget* item = screen->leftNavigationItem()) {
    item->hide();
    item->setParent(screen);
  }
  stack_->removeWidget(screen);
  screen->hide();
  screen->navigationController_ = nullptr;
}

void NavigationController::showOnTop(ViewController* screen) {
  stack_->setCurrentWidget(screen);
  updateNavigationBar();
}

ViewController* NavigationController::topViewController() const {
  return screens_.isEmpty() ? nullptr : screens_.last().data();
}

ViewController* NavigationController::visibleViewController() const {
  if (ViewController* presented = presentedViewController()) return presented;
  return topViewController();
}

QList<ViewController*> NavigationController::viewControllers() const {
  QList<ViewController*> list;
  for (const auto& screen : screens_) {
    if (screen) list.append(screen);
  }
  return list;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool /*animated*/) {
  bar_->setVisible(!hidden);
}

bool NavigationController::isNavigationBarHidden() const { return bar_->isHidden(); }

QWidget* NavigationController::navigationBar() const { return bar_; }

QList<ViewController*> NavigationController::childViewControllersForAppearance() const {
  if (ViewController* top = topViewController()) return {top};
  return {};
}

void NavigationController::updateNavigationBar() {
  ViewController* top = topViewController();
  titleLabel_->setText(top ? top->title() : QString());

  QLayout* leftLayout = leftSlot_->layout();
  while (QLayoutItem* item = leftLayout->takeAt(0)) {
    if (QWidget* widget = item->widget()) {
      widget->hide();
      // The item belongs to its screen; give it back while another screen is on top.
      for (const auto& screen : screens_) {
        if (screen && screen->leftNavigationItem() == widget) widget->setParent(screen);
      }
    }
    delete item;
  }
  if (top && top->leftNavigationItem()) {
    QWidget* item = top->leftNavigationItem();
    leftLayout->addWidget(item);
    item->show();
  }
}

}  // namespace tarvel
