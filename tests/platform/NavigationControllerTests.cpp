#include <memory>   // make_unique, unique_ptr
#include <string>   // string
#include <utility>  // exchange, move

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "tarvel/NavigationController.h"

namespace tarvel {
namespace {

// A screen that writes each lifecycle hook into a shared journal as "<name>.<hook>".
class Screen : public ViewController {
 public:
  Screen(std::string name, std::string* journal) : name_(std::move(name)), journal_(journal) {}
  void viewDidLoad() override { note("load"); }
  void viewWillAppear(bool) override { note("willAppear"); }
  void viewDidAppear(bool) override { note("didAppear"); }
  void viewWillDisappear(bool) override { note("willDisappear"); }
  void viewDidDisappear(bool) override { note("didDisappear"); }

 private:
  void note(const char* hook) { *journal_ += (journal_->empty() ? "" : " ") + name_ + "." + hook; }
  std::string name_;
  std::string* journal_;
};

// A navigation controller on screen as its own window, holding screen "a".
class NavigationControllerTests : public ::testing::Test {
 protected:
  void SetUp() override {
    nav_ = std::make_unique<NavigationController>(a_);
    EXPECT_EQ(journal_, "a.load");
    nav_->show();
    EXPECT_EQ(take(), "a.load a.willAppear a.didAppear");
  }
  Screen* screen(const std::string& name) { return new Screen(name, &journal_); }
  std::string take() { return std::exchange(journal_, {}); }

  std::string journal_;
  Screen* a_ = screen("a");
  std::unique_ptr<NavigationController> nav_;
};

TEST_F(NavigationControllerTests, PushAndPopRunTheHooksInOrderAndTheBottomStays) {
  QPointer<Screen> b = screen("b");
  QPointer<QPushButton> back = new QPushButton("<");
  b->setLeftNavigationItem(back);
  b->setTitle("Checkout");
  nav_->pushViewController(b, true);
  EXPECT_EQ(take(), "b.load a.willDisappear b.willAppear a.didDisappear b.didAppear");
  EXPECT_EQ(nav_->viewControllers(), (QList<ViewController*>{a_, b}));
  EXPECT_EQ(b->navigationController(), nav_.get());
  EXPECT_FALSE(a_->isVisible());
  EXPECT_EQ(nav_->navigationBar()->findChild<QLabel*>("navigationTitle")->text(), "Checkout");
  EXPECT_TRUE(back->isVisible());

  EXPECT_EQ(nav_->popViewController(true), b.data());
  EXPECT_EQ(take(), "b.willDisappear a.willAppear b.didDisappear a.didAppear");
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
  EXPECT_EQ(take(), "c.load b.willDisappear c.willAppear b.didDisappear c.didAppear");
  EXPECT_EQ(c->presentingViewController(), nav_.get());
  EXPECT_EQ(nav_->visibleViewController(), c);
  EXPECT_EQ(nav_->topViewController(), b);
  nav_->resize(414, 896);
  EXPECT_EQ(c->geometry(), nav_->rect());

  c->dismiss(true, [&] { ++completions; });
  EXPECT_EQ(take(), "c.willDisappear b.willAppear c.didDisappear b.didAppear");
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
  EXPECT_EQ(take(), "a.willDisappear a.didDisappear");
  nav_->pushViewController(screen("b"), true);
  EXPECT_EQ(take(), "b.load");
  nav_->show();
  EXPECT_EQ(take(), "b.willAppear b.didAppear");

  auto* inner = new NavigationController(screen("x"));
  take();
  nav_->present(inner, false);
  EXPECT_EQ(take(), "b.willDisappear x.willAppear b.didDisappear x.didAppear");
  nav_->hide();
  EXPECT_EQ(take(), "x.willDisappear x.didDisappear");
  nav_->show();
  EXPECT_EQ(take(), "x.willAppear x.didAppear");
  inner->topViewController()->dismiss(false);  // closes the whole presentation
  EXPECT_EQ(take(), "x.willDisappear b.willAppear x.didDisappear b.didAppear");
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
  EXPECT_EQ(take(), "c.willDisappear a.willAppear c.didDisappear a.didAppear");
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
  EXPECT_EQ(take(), "c.load a.willDisappear c.willAppear a.didDisappear c.didAppear");
  EXPECT_TRUE(nav_->present(d, false));
  EXPECT_EQ(take(), "d.load c.willDisappear d.willAppear c.didDisappear d.didAppear");
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
  EXPECT_EQ(take(), "d.willDisappear a.willAppear d.didDisappear a.didAppear");
  EXPECT_EQ(nav_->presentedViewController(), nullptr);
}

}  // namespace
}  // namespace tarvel
