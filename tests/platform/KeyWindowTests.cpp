// The host window the component takes over. (Opening the component's own window, and a plain
// window's single widget as its root, are covered through openCart by the entry tests.)
#include <memory>  // make_unique, unique_ptr

#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "platform/Alert.h"
#include "platform/KeyWindow.h"
#include "tarvel/ViewController.h"

namespace tarvel {
namespace {

using detail::KeyWindow;

TEST(KeyWindowTests, TheHostsVisibleWindowIsTheKeyWindowAndAlertsAreSkipped) {
  QMainWindow hidden;
  QMainWindow host;
  host.show();
  EXPECT_EQ(KeyWindow::currentOrOpen(), &host);
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr);

  auto alert = std::make_unique<detail::Alert>("Alert", "No Network");
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
