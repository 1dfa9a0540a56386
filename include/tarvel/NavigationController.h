#pragma once

#include <QList>

#include "tarvel/Export.h"
#include "tarvel/ViewController.h"

class QLabel;
class QStackedWidget;

namespace tarvel {

/// A stack of screens under a navigation bar.
///
/// The bar shows the top screen's `title()` in its middle and its `leftNavigationItem()` on
/// the left; it can be hidden. Pushing and popping drive the screens' lifecycle hooks in this
/// order (transitions are instant, `animated` only reaches the hooks):
/// \code{.unparsed}
///   push: new.viewDidLoad (once), old.viewWillDisappear, new.viewWillAppear,
///         old.viewDidDisappear, new.viewDidAppear;
///   pop:  top.viewWillDisappear, below.viewWillAppear, top.viewDidDisappear,
///         below.viewDidAppear.
/// \endcode
/// Appearance hooks run only while the navigation controller itself is on screen; otherwise
/// the top screen receives them when the controller appears. The controller owns the screens
/// on its stack; a screen deleted by someone else leaves the stack at once (the screen below a
/// deleted top screen is shown and appears).
class TARVEL_CHECKOUT_EXPORT NavigationController : public ViewController {
  Q_OBJECT

 public:
  /// A controller whose stack holds `root`, or an empty stack when `root` is nullptr.
  explicit NavigationController(ViewController* root = nullptr, QWidget* parent = nullptr);
  ~NavigationController() override;

  /// Puts `screen` on top of the stack, which then owns it (see above for the hooks). Does
  /// nothing for nullptr or a screen already on the stack.
  void pushViewController(ViewController* screen, bool animated);
  /// Takes the top screen off the stack and deletes it later (deleteLater()); returns it, or
  /// nullptr when the stack holds one screen or none (the bottom screen is never popped).
  ViewController* popViewController(bool animated);
  /// Takes `screen` off the stack wherever it is, and deletes it later: on top it is popped
  /// (same hooks as `popViewController`); below the top it leaves without hooks (it is not on
  /// screen) and the screens above it stay as they are. For a screen whose flow has ended
  /// while something covers it. Returns false, and does nothing, for the bottom screen and for
  /// a screen that is not on this stack.
  bool removeViewController(ViewController* screen, bool animated);

  /// The screen on top of the stack, or nullptr.
  ViewController* topViewController() const;
  /// The screen the user sees: the presented screen if there is one, else the top screen.
  ViewController* visibleViewController() const;
  /// The stack, bottom first.
  QList<ViewController*> viewControllers() const;

  /// Hides or shows the navigation bar.
  void setNavigationBarHidden(bool hidden, bool animated = false);
  /// True while the navigation bar is hidden.
  bool isNavigationBarHidden() const;
  /// The bar widget itself (for styling).
  QWidget* navigationBar() const;

 protected:
  QList<ViewController*> childViewControllersForAppearance() const override;

 private:
  friend class ViewController;

  void addToStack(ViewController* screen);
  void showOnTop(ViewController* screen);
  void updateNavigationBar();
  void removeFromStack(ViewController* screen);
  void screenDestroyed(ViewController* screen);

  QWidget* bar_ = nullptr;
  QWidget* leftSlot_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QList<QPointer<ViewController>> screens_;
};

}  // namespace tarvel
