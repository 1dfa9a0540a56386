#include <memory>   // make_unique, unique_ptr
#include <string>   // string
#include <utility>  // exchange, move
#include <vector>   // vector

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "tarvel/NavigationController.h"

namespace tarvel {
namespace {

using Journal = std::vector<std::string>;

// A screen that writes each lifecycle hook into a shared journal as "<name>.<hook>".
class Screen : public ViewController {
 public:
  Screen(std::string name, Journal* journal) : name_(std::move(name)), journal_(journal) {}
  void viewDidLoad() override { note("viewDidLoad"); }
  void viewWillAppear(bool) override { note("viewWillAppear"); }
  void viewDidAppear(bool) override { note("viewDidAppear"); }
  void viewWillDisappear(bool) override { note("viewWillDisappear"); }
  void viewDidDisappear(bool) override { note("viewDidDisappear"); }

 private:
  void note(const char* hook) { journal_->push_back(name_ + "." + hook); }
  std::string name_;
  Journal* journal_;
};

// The hooks of `to` taking the place of `from` (loading `to` first when `loads`), in order.
Journal handOver(const std::string& from, const std::string& to, bool loads = false) {
  Journal hooks = {from + ".viewWillDisappear", to + ".viewWillAppear", from + ".viewDidDisappear",
                   to + ".viewDidAppear"};
  if (loads) hooks.insert(hooks.begin(), to + ".viewDidLoad");
  return hooks;
}
Journal shows(const std::string& name) {
  return {name + ".viewWillAppear", name + ".viewDidAppear"};
}
Journal hides(const std::string& name) {
  return {name + ".viewWillDisappear", name + ".viewDidDisappear"};
}

// A navigation controller on screen as its own window, holding screen "a".
class NavigationControllerTests : public ::testing::Test {
 protected:
  void SetUp() override {
    nav_ = std::make_unique<NavigationController>(a_);
    EXPECT_EQ(journal_, (Journal{"a.viewDidLoad"}));
    nav_->show();
    EXPECT_EQ(take(), (Journal{"a.viewDidLoad", "a.viewWillAppear", "a.viewDidAppear"}));
  }
  Screen* screen(const std::string& name) { return new Screen(name, &journal_); }
  Journal take() { return std::exchange(journal_, {}); }

  Journal journal_;
  Screen* a_ = screen("a");
  std::unique_ptr<NavigationController> nav_;
};

TEST_F(NavigationControllerTests, PushAndPopRunTheHooksInOrderAndTheBottomStays) {
  QPointer<Screen> b = screen("b");
  QPointer<QPushButton> back = new QPushButton("<");
  b->setLeftNavigationItem(back);
  b->setTitle("Checkout");
  nav_->pushViewController(b, true);
  EXPECT_EQ(take(), handOver("a", "b", true));
  EXPECT_EQ(nav_->viewControllers(), (QList<ViewController*>{a_, b}));
  EXPECT_EQ(b->navigationController(), nav_.get());
  EXPECT_FALSE(a_->isVisible());
  EXPECT_EQ(nav_->navigationBar()->findChild<QLabel*>("navigationTitle")->text(), "Checkout");
  EXPECT_TRUE(back->isVisible());

  EXPECT_EQ(nav_->popViewController(true), b.data());
  EXPECT_EQ(take(), handOver("b", "a"));
  EXPECT_EQ(nav_->topViewController(), a_);
  ASSERT_TRUE(b) << "deleted later";
  test::settle();
  EXPECT_FALSE(b);
  EXPECT_FALSE(back) << "the left item goes with its screen";

  EXPECT_EQ(nav_->popViewController(false), nullptr) << "the bottom screen is never popped";
  EXPECT_TRUE(journal_.empty());
}

TEST_F(NavigationControllerTests, PresentAndDismissRunTheHooksInOrder) {
  auto* b = screen("b");
  nav_->pushViewController(b, false);
  take();
  QPointer<Screen> c = screen("c");
  int completions = 0;
  b->present(c, true, [&] { ++completions; });  // covers the whole controller
  EXPECT_EQ(take(), handOver("b", "c", true));
  EXPECT_EQ(c->presentingViewController(), nav_.get());
  EXPECT_EQ(nav_->visibleViewController(), c);
  EXPECT_EQ(nav_->topViewController(), b);
  nav_->resize(414, 896);
  EXPECT_EQ(c->geometry(), nav_->rect());

  c->dismiss(true, [&] { ++completions; });
  EXPECT_EQ(take(), handOver("c", "b"));
  EXPECT_EQ(nav_->presentedViewController(), nullptr);
  test::settle();
  EXPECT_FALSE(c);
  a_->dismiss(false, [&] { ++completions; });
  EXPECT_EQ(completions, 3) << "nothing to dismiss: completes";

  b->present(screen("e"), false);
  b->dismiss(false);  // through the presenting screen
  EXPECT_EQ(nav_->presentedViewController(), nullptr);
}

TEST_F(NavigationControllerTests, HooksFollowTheWindowAndReachAPresentedNavigationsTop) {
  nav_->hide();
  EXPECT_EQ(take(), hides("a"));
  nav_->pushViewController(screen("b"), true);
  EXPECT_EQ(take(), (Journal{"b.viewDidLoad"}));
  nav_->show();
  EXPECT_EQ(take(), shows("b"));

  auto* inner = new NavigationController(screen("x"));
  take();
  nav_->present(inner, false);
  EXPECT_EQ(take(), handOver("b", "x"));
  nav_->hide();
  EXPECT_EQ(take(), hides("x"));
  nav_->show();
  EXPECT_EQ(take(), shows("x"));
  inner->topViewController()->dismiss(false);  // closes the whole presentation
  EXPECT_EQ(take(), handOver("x", "b"));
}

// A screen that has finished leaves the stack wherever it is: from the middle without hooks
// (it is covered) and without disturbing the screens above it, so the screen below shows next;
// from the top like a pop. The bottom screen and screens not on the stack are never removed.
TEST_F(NavigationControllerTests, RemovingAScreenKeepsTheScreensAboveItAndTheBottomOne) {
  QPointer<Screen> b = screen("b");
  Screen* c = screen("c");
  nav_->pushViewController(b, false);
  nav_->pushViewController(c, false);
  take();

  EXPECT_TRUE(nav_->removeViewController(b, true));
  EXPECT_TRUE(take().empty()) << "b was covered and c stays on screen";
  EXPECT_EQ(nav_->viewControllers(), (QList<ViewController*>{a_, c}));
  EXPECT_TRUE(c->isVisible());
  EXPECT_TRUE(c->isOnScreen());
  test::settle();
  EXPECT_FALSE(b) << "deleted later";

  EXPECT_TRUE(nav_->removeViewController(c, true));
  EXPECT_EQ(take(), handOver("c", "a"));
  EXPECT_FALSE(nav_->removeViewController(a_, false)) << "the bottom screen is never removed";
  Screen stranger("stranger", &journal_);
  EXPECT_FALSE(nav_->removeViewController(&stranger, false)) << "not on this stack";
  EXPECT_FALSE(nav_->removeViewController(nullptr, false));
  EXPECT_EQ(nav_->viewControllers(), (QList<ViewController*>{a_}));
  EXPECT_TRUE(take().empty());
}

// A presentation over a container that already presents goes on top of the chain; closing a
// covered screen of the chain takes only that screen, the one above moves down onto its place.
TEST_F(NavigationControllerTests, PresentationsStackAndACoveredOneClosesAlone) {
  QPointer<Screen> c = screen("c");
  QPointer<Screen> d = screen("d");
  EXPECT_TRUE(nav_->present(c, false));
  EXPECT_EQ(take(), handOver("a", "c", true));
  EXPECT_TRUE(nav_->present(d, false));
  EXPECT_EQ(take(), handOver("c", "d", true));
  EXPECT_EQ(d->presentingViewController(), c);
  EXPECT_EQ(nav_->visibleViewController(), c);
  EXPECT_FALSE(nav_->present(d, false)) << "already presented";
  EXPECT_FALSE(nav_->present(nav_.get(), false)) << "a screen cannot cover itself";

  c->dismiss(true);
  EXPECT_TRUE(take().empty()) << "c was covered and d stays on screen";
  EXPECT_EQ(nav_->presentedViewController(), d);
  EXPECT_EQ(d->presentingViewController(), nav_.get());
  EXPECT_TRUE(d->isVisible());
  nav_->resize(414, 896);
  EXPECT_EQ(d->geometry(), nav_->rect());
  test::settle();
  EXPECT_FALSE(c);

  d->dismiss(false);
  EXPECT_EQ(take(), handOver("d", "a"));
  EXPECT_EQ(nav_->presentedViewController(), nullptr);
}

}  // namespace
}  // namespace tarvel
