#pragma once

#include <functional>  // function

#include <QPointer>
#include <QString>
#include <QWidget>

#include "tarvel/Export.h"

namespace tarvel {

class NavigationController;

/// One screen of the component: a widget with the lifecycle of a phone toolkit's view
/// controller.
///
/// The hooks run on the main thread in this order: `viewDidLoad` once, before the screen
/// first appears (or when `loadViewIfNeeded` is called); then `viewWillAppear` /
/// `viewDidAppear` and `viewWillDisappear` / `viewDidDisappear` in pairs, each time the screen
/// comes on or goes off screen. Containers (`NavigationController`, a presentation) drive them
/// for the screens they hold; a screen that no container holds, such as a window's root, drives
/// them from its own show and hide events. Overrides need not call the base implementations.
///
/// Any screen can present another one modally (`present`) and close a presentation
/// (`dismiss`). Transitions are instant; the `animated` flag is passed on to the hooks only.
class TARVEL_CHECKOUT_EXPORT ViewController : public QWidget {
  Q_OBJECT

 public:
  /// An empty screen; nothing is loaded until it first appears.
  explicit ViewController(QWidget* parent = nullptr);
  ~ViewController() override;

  /// Called once, before the screen first appears. Build the screen's content here.
  virtual void viewDidLoad() {}
  /// The screen is about to come on screen.
  virtual void viewWillAppear(bool /*animated*/) {}
  /// The screen has come on screen.
  virtual void viewDidAppear(bool /*animated*/) {}
  /// The screen is about to go off screen.
  virtual void viewWillDisappear(bool /*animated*/) {}
  /// The screen has gone off screen.
  virtual void viewDidDisappear(bool /*animated*/) {}

  /// Runs `viewDidLoad` unless it has run already.
  void loadViewIfNeeded();
  /// True once `viewDidLoad` has run.
  bool isViewLoaded() const;

  /// The navigation controller whose stack holds this screen, or nullptr.
  NavigationController* navigationController() const;
  /// The screen that presented this one (or the container it sits in), or nullptr.
  ViewController* presentingViewController() const;
  /// The screen this one presents, or nullptr.
  ViewController* presentedViewController() const;

  /// Shows `screen` modally over this screen's outermost container, covering it, or, when that
  /// container already presents, over the top-most screen of its presentations; the screen it
  /// covers keeps `screen` and deletes it after it is dismissed (deleted by someone else, it
  /// is gone at once and the covered screen appears again). `completion` runs after the
  /// screen appeared. Returns false, and does nothing (the caller keeps `screen`), for nullptr,
  /// for a screen that a container already holds, and for a screen that would cover itself.
  bool present(ViewController* screen, bool animated, std::function<void()> completion = {});

  /// Closes one presentation: this screen (or the container it sits in) when it is presented,
  /// else the screen this one presents. A presentation above the closed screen stays on screen
  /// and moves down onto the screen that presented it. The closed screen is deleted later.
  /// `completion` runs once the presentation is gone, and also when there was nothing to close.
  void dismiss(bool animated, std::function<void()> completion = {});

  /// The text a navigation bar shows while this screen is on top.
  /// @{
  QString title() const;
  void setTitle(const QString& title);
  /// @}

  /// The custom widget a navigation bar shows on its left while this screen is on top (for
  /// example a back button); the screen owns it. nullptr removes it.
  /// @{
  QWidget* leftNavigationItem() const;
  void setLeftNavigationItem(QWidget* item);
  /// @}

  /// Appearance transitions, for containers that hold screens of their own. A transition that
  /// would not change the screen's state (appearing while on screen) does nothing.
  void beginAppearanceTransition(bool isAppearing, bool animated);
  /// Completes the transition `beginAppearanceTransition` started: runs `viewDidAppear` or
  /// `viewDidDisappear`, for this screen and then for its children.
  void endAppearanceTransition();
  /// True between `viewDidAppear` and the next `viewWillDisappear`.
  bool isOnScreen() const;

 signals:
  /// The title or the left navigation item changed.
  void navigationItemChanged();

 protected:
  /// The screens that follow this one's appearance transitions (a container's visible child).
  virtual QList<ViewController*> childViewControllersForAppearance() const;

  /// A screen that no container holds (a window's root) loads and runs the appearance hooks
  /// of what the user sees: itself, or the top of its presentations.
  void showEvent(QShowEvent* event) override;
  /// The disappearance hooks, as `showEvent` runs the appearance ones.
  void hideEvent(QHideEvent* event) override;
  /// Keeps a presented screen covering this one when it is resized.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class NavigationController;

  enum class Appearance { disappeared, appearing, appeared, disappearing };

  bool isHeldByContainer() const;
  ViewController* presentationHost();
  ViewController* visibleLeaf();
  bool canPresent(const ViewController* screen) const;
  void dismissPresented(bool animated, std::function<void()> completion);
  void closeCoveredPresented();
  void presentedDestroyed(ViewController* screen);
  void coverWithPresented();

  bool viewLoaded_ = false;
  bool lastTransitionAnimated_ = false;
  Appearance appearance_ = Appearance::disappeared;
  QString title_;
  QPointer<QWidget> leftNavigationItem_;
  QPointer<NavigationController> navigationController_;
  QPointer<ViewController> presenting_;
  QPointer<ViewController> presented_;
};

}  // namespace tarvel
