// The host window the component takes over, and the alerts it shows over it. (Opening the
// component's own window, and a plain window's single widget as its root, are covered through
// openCart by the entry tests.)
#include <gtest/gtest.h>

#include <memory>  // make_unique, unique_ptr

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "QtTestMain.h"
#include "platform/Alert.h"
#include "platform/KeyWindow.h"
#include "tarvel/ViewController.h"

namespace tarvel {
namespace {

// Each handler runs exactly once, the alert closes before it runs (so a handler may show the
// next alert), and Escape only taps a cancel action.
TEST(AlertTests, EachTapRunsItsHandlerOnceAndClosesTheAlert) {
  QWidget window;
  window.show();
  QWidget inner(&window);
  int okRuns = 0;
  int cancelRuns = 0;
  QPointer<Alert> alert = new Alert("Alert", "No Network");
  alert->addAction("CANCEL", Alert::ActionStyle::cancel, [&] { ++cancelRuns; });
  alert->addAction("OK", Alert::ActionStyle::defaultStyle, [&] {
    ++okRuns;
    EXPECT_TRUE(Alert::openAlerts().isEmpty());
    (new Alert("Alert", "second"))->showOver(&window);
  });
  alert->showOver(&inner);
  EXPECT_EQ(alert->parentWidget(), &window);
  EXPECT_EQ(alert->windowModality(), Qt::WindowModal);

  EXPECT_FALSE(alert->triggerAction("Nope"));
  alert->findChildren<QPushButton*>().back()->click();
  EXPECT_FALSE(alert->triggerAction("OK")) << "a closed alert takes no more taps";
  EXPECT_EQ(okRuns, 1);
  test::settle();
  EXPECT_FALSE(alert);

  ASSERT_EQ(Alert::openAlerts().size(), 1);
  std::unique_ptr<Alert> second(Alert::openAlerts().front());
  EXPECT_EQ(second->message(), "second");
  second->reject();
  EXPECT_EQ(Alert::openAlerts().size(), 1) << "no cancel action: stays open";
  second->addAction("CANCEL", Alert::ActionStyle::cancel, [&] { ++cancelRuns; });
  second->reject();
  EXPECT_EQ(cancelRuns, 1);
  EXPECT_TRUE(Alert::openAlerts().isEmpty());
}

TEST(KeyWindowTests, TheHostsVisibleWindowIsTheKeyWindowAndAlertsAreSkipped) {
  QMainWindow hidden;
  QMainWindow host;
  host.show();
  EXPECT_EQ(KeyWindow::currentOrOpen(), &host);
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr);

  auto alert = std::make_unique<Alert>("Alert", "No Network");
  alert->showOver(&host);
  alert->activateWindow();
  EXPECT_EQ(KeyWindow::current(), &host);
}

TEST(KeyWindowTests, SeveralWidgetsInTheLayoutAreGatheredIntoOneRootThatMovesAsAWhole) {
  QWidget host;
  auto* layout = new QVBoxLayout(&host);
  auto* top = new QLabel("top");
  layout->addWidget(top);
  layout->addWidget(new QLabel("bottom"));
  host.show();

  QWidget* root = KeyWindow::rootWidget(&host);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->isAncestorOf(top));
  EXPECT_EQ(KeyWindow::rootWidget(&host), root) << "gathered once";
  EXPECT_TRUE(top->isVisible());

  auto* screen = new ViewController;
  std::unique_ptr<QWidget> former(KeyWindow::setRootWidget(&host, screen));
  EXPECT_EQ(former.get(), root) << "taken out, not deleted";
  EXPECT_EQ(former->parentWidget(), nullptr);
  EXPECT_EQ(KeyWindow::rootViewController(&host), screen);
  EXPECT_TRUE(screen->isVisible());
}

}  // namespace
}  // namespace tarvel
