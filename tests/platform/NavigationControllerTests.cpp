#include <gtest/gtest.h>

#include <memory>  // make_shared, shared_ptr
#include <string>  // string
#include <vector>  // vector

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "LogCapture.h"
#include "QtPrinters.h"
#include "RecordingViewController.h"
#include "tarvel/NavigationController.h"

namespace tarvel {
namespace {

using test::RecordingViewController;
using Journal = std::vector<std::string>;

void deleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A navigation controller on screen as its own window, holding screen "a".
class NavigationControllerTests : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = new RecordingViewController("a", journal_);
    nav_ = std::make_unique<NavigationController>(a_);
    nav_->resize(375, 667);
    nav_->show();
    journal_->clear();
  }

  RecordingViewController* screen(const std::string& name) {
    return new RecordingViewController(name, journal_);
  }

  std::shared_ptr<Journal> journal_ = std::make_shared<Journal>();
  RecordingViewController* a_ = nullptr;
  std::unique_ptr<NavigationController> nav_;
};

TEST_F(NavigationControllerTests, RootAppearsWhenTheControllerIsShown) {
  auto journal = std::make_shared<Journal>();
  NavigationController nav(new RecordingViewController("root", journal));
  EXPECT_EQ(*journal, (Journal{"root.viewDidLoad"}));
  nav.show();
  EXPECT_EQ(*journal, (Journal{"root.viewDidLoad", "root.viewWillAppear", "root.viewDidAppear"}));
}

TEST_F(NavigationControllerTests, PushRunsTheHooksInPlatformOrder) {
  auto* b = screen("b");
  nav_->pushViewController(b, true);

  EXPECT_EQ(*journal_, (Journal{"b.viewDidLoad", "a.viewWillDisappear", "b.viewWillAppear",
                                "a.viewDidDisappear", "b.viewDidAppear"}));
  EXPECT_EQ(nav_->topViewController(), b);
  EXPECT_EQ(nav_->viewControllers(), (QList<ViewController*>{a_, b}));
  EXPECT_EQ(b->navigationController(), nav_.get());
  EXPECT_TRUE(b->isVisible());
  EXPECT_FALSE(a_->isVisible());
}

TEST_F(NavigationControllerTests, PopRunsTheHooksInReverseAndDeletesThePoppedScreenLater) {
  QPointer<RecordingViewController> b = screen("b");
  nav_->pushViewController(b, false);
  journal_->clear();

  EXPECT_EQ(nav_->popViewController(true), b.data());

  EXPECT_EQ(*journal_, (Journal{"b.viewWillDisappear", "a.viewWillAppear", "b.viewDidDisappear",
                                "a.viewDidAppear"}));
  EXPECT_EQ(nav_->topViewController(), a_);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->navigationController(), nullptr);
  deleteDeferred();
  EXPECT_FALSE(b);
  EXPECT_EQ(nav_->viewControllers(), (QList<ViewController*>{a_}));
}

TEST_F(NavigationControllerTests, TheBottomScreenIsNeverPopped) {
  EXPECT_EQ(nav_->popViewController(false), nullptr);
  EXPECT_EQ(nav_->topViewController(), a_);
  EXPECT_TRUE(journal_->empty());

  NavigationController empty;
  EXPECT_EQ(empty.popViewController(false), nullptr);
  EXPECT_EQ(empty.topViewController(), nullptr);
}

TEST_F(NavigationControllerTests, ScreensPushedWhileOffScreenAppearWithTheController) {
  nav_->hide();
  EXPECT_EQ(*journal_, (Journal{"a.viewWillDisappear", "a.viewDidDisappear"}));
  journal_->clear();

  nav_->pushViewController(screen("b"), true);
  EXPECT_EQ(*journal_, (Journal{"b.viewDidLoad"}));

  nav_->show();
  EXPECT_EQ(*journal_, (Journal{"b.viewDidLoad", "b.viewWillAppear", "b.viewDidAppear"}));
}

TEST_F(NavigationControllerTests, PresentCoversTheControllerAndRunsTheHooksInOrder) {
  auto* c = screen("c");
  bool completed = false;
  nav_->present(c, true, [&] { completed = true; });

  EXPECT_EQ(*journal_, (Journal{"c.viewDidLoad", "a.viewWillDisappear", "c.viewWillAppear",
                                "a.viewDidDisappear", "c.viewDidAppear"}));
  EXPECT_TRUE(completed);
  EXPECT_EQ(c->presentingViewController(), nav_.get());
  EXPECT_EQ(nav_->presentedViewController(), c);
  EXPECT_EQ(nav_->visibleViewController(), c);
  EXPECT_EQ(nav_->topViewController(), a_);
  EXPECT_TRUE(c->isVisible());
  EXPECT_EQ(c->geometry(), nav_->rect());

  nav_->resize(414, 896);
  EXPECT_EQ(c->geometry(), nav_->rect());
}

TEST_F(NavigationControllerTests, DismissFromThePresentedScreenRestoresTheOneBelow) {
  QPointer<RecordingViewController> c = screen("c");
  nav_->present(c, false);
  journal_->clear();

  bool completed = false;
  c->dismiss(true, [&] { completed = true; });

  EXPECT_EQ(*journal_, (Journal{"c.viewWillDisappear", "a.viewWillAppear", "c.viewDidDisappear",
                                "a.viewDidAppear"}));
  EXPECT_TRUE(completed);
  EXPECT_EQ(nav_->presentedViewController(), nullptr);
  deleteDeferred();
  EXPECT_FALSE(c);
}

TEST_F(NavigationControllerTests, AScreenOnTheStackPresentsOverTheWholeController) {
  auto* b = screen("b");
  nav_->pushViewController(b, false);
  auto* c = screen("c");
  b->present(c, false);

  EXPECT_EQ(c->presentingViewController(), nav_.get());
  EXPECT_EQ(b->presentingViewController(), nullptr);
  EXPECT_EQ(c->parentWidget(), nav_.get());

  // Dismissing through the presenting screen closes the presentation as well.
  b->dismiss(false);
  EXPECT_EQ(nav_->presentedViewController(), nullptr);
}

TEST_F(NavigationControllerTests, PresentingTwiceIsRefusedAndLogged) {
  test::LogCapture log;
  nav_->present(screen("c"), false);
  auto second = std::unique_ptr<RecordingViewController>(screen("d"));
  bool completed = false;
  nav_->present(second.get(), false, [&] { completed = true; });

  EXPECT_FALSE(completed);
  EXPECT_NE(nav_->presentedViewController(), second.get());
  EXPECT_TRUE(log.contains("already presenting"));
}

TEST_F(NavigationControllerTests, DismissWithNothingToDismissStillCompletes) {
  bool completed = false;
  a_->dismiss(false, [&] { completed = true; });
  EXPECT_TRUE(completed);
  EXPECT_EQ(nav_->topViewController(), a_);
}

TEST_F(NavigationControllerTests, PresentedNavigationControllerForwardsHooksToItsTop) {
  auto* inner = new NavigationController(screen("x"));
  journal_->clear();
  nav_->present(inner, false);
  EXPECT_EQ(*journal_, (Journal{"a.viewWillDisappear", "x.viewWillAppear", "a.viewDidDisappear",
                                "x.viewDidAppear"}));
  journal_->clear();
  // A screen inside the presented controller closes the whole presentation.
  inner->topViewController()->dismiss(false);
  EXPECT_EQ(*journal_, (Journal{"x.viewWillDisappear", "a.viewWillAppear", "x.viewDidDisappear",
                                "a.viewDidAppear"}));
}

TEST_F(NavigationControllerTests, HidingTheWindowReachesThePresentedScreen) {
  nav_->present(screen("c"), false);
  journal_->clear();
  nav_->hide();
  EXPECT_EQ(*journal_, (Journal{"c.viewWillDisappear", "c.viewDidDisappear"}));
  journal_->clear();
  nav_->show();
  EXPECT_EQ(*journal_, (Journal{"c.viewWillAppear", "c.viewDidAppear"}));
}

TEST_F(NavigationControllerTests, BarShowsTheTopScreensTitleAndLeftItem) {
  a_->setTitle("Shop");
  auto* title = nav_->navigationBar()->findChild<QLabel*>("navigationTitle");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Shop");

  auto* b = screen("b");
  QPointer<QPushButton> back = new QPushButton("<");
  b->setLeftNavigationItem(back);
  b->setTitle("Checkout");
  nav_->pushViewController(b, false);
  EXPECT_EQ(title->text(), "Checkout");
  EXPECT_TRUE(back->isVisible());
  EXPECT_TRUE(nav_->navigationBar()->isAncestorOf(back));

  nav_->popViewController(false);
  EXPECT_EQ(title->text(), "Shop");
  EXPECT_FALSE(back->isVisible());
  deleteDeferred();
  EXPECT_FALSE(back) << "the left item goes with its screen";
}

}  // namespace
}  // namespace tarvel
