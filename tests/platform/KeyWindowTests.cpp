#include <gtest/gtest.h>

#include <memory>  // unique_ptr

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include "platform/Alert.h"
#include "platform/KeyWindow.h"
#include "tarvel/ViewController.h"

namespace tarvel {
namespace {

class KeyWindowTests : public ::testing::Test {
 protected:
  void TearDown() override {
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    delete KeyWindow::ownWindow();
  }
};

TEST_F(KeyWindowTests, WithoutAHostWindowTheComponentOpensAndOwnsOne) {
  EXPECT_EQ(KeyWindow::current(), nullptr);
  QWidget* own = KeyWindow::currentOrOpen();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(KeyWindow::ownWindow(), own);
  EXPECT_NE(qobject_cast<QMainWindow*>(own), nullptr);
  EXPECT_LT(own->width(), own->height()) << "phone-shaped";
  EXPECT_EQ(KeyWindow::currentOrOpen(), own) << "opened once and reused";

  KeyWindow::makeKeyAndVisible(own);
  EXPECT_TRUE(own->isVisible());
  EXPECT_EQ(KeyWindow::current(), own);

  QPointer<QWidget> closed = own;
  own->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(closed) << "deleted on close";
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr);
}

TEST_F(KeyWindowTests, TheHostsVisibleWindowIsTheKeyWindowAndAlertsAreSkipped) {
  QMainWindow hidden;
  QMainWindow host;
  host.show();
  EXPECT_EQ(KeyWindow::current(), &host);
  EXPECT_EQ(KeyWindow::currentOrOpen(), &host);
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr);

  auto* alert = new Alert("Alert", "No Network");
  alert->addAction("Ok", Alert::ActionStyle::cancel);
  alert->showOver(&host);
  alert->activateWindow();
  EXPECT_EQ(KeyWindow::current(), &host);
  delete alert;
}

TEST_F(KeyWindowTests, MainWindowRootIsItsCentralWidgetAndReplacingHandsTheFormerBack) {
  QMainWindow host;
  auto* content = new QLabel("host content");
  host.setCentralWidget(content);
  host.show();
  EXPECT_EQ(KeyWindow::rootWidget(&host), content);
  EXPECT_EQ(KeyWindow::rootViewController(&host), nullptr);

  auto* screen = new ViewController;
  std::unique_ptr<QWidget> former(KeyWindow::setRootWidget(&host, screen));

  EXPECT_EQ(former.get(), content) << "taken out, not deleted";
  EXPECT_EQ(former->parentWidget(), nullptr);
  EXPECT_FALSE(former->isVisible());
  EXPECT_EQ(host.centralWidget(), screen);
  EXPECT_EQ(KeyWindow::rootViewController(&host), screen);
  EXPECT_TRUE(screen->isVisible());
}

TEST_F(KeyWindowTests, PlainWindowRootIsTheSingleWidgetOfItsLayout) {
  QWidget host;
  auto* layout = new QVBoxLayout(&host);
  auto* content = new QLabel("host content");
  layout->addWidget(content);
  host.show();
  EXPECT_EQ(KeyWindow::rootWidget(&host), content);

  auto* screen = new ViewController;
  std::unique_ptr<QWidget> former(KeyWindow::setRootWidget(&host, screen));
  EXPECT_EQ(former.get(), content);
  EXPECT_EQ(KeyWindow::rootWidget(&host), screen);
  EXPECT_EQ(screen->parentWidget(), &host);
  EXPECT_TRUE(screen->isVisible());
}

TEST_F(KeyWindowTests, SeveralWidgetsInTheLayoutAreGatheredIntoOneRoot) {
  QWidget host;
  auto* layout = new QVBoxLayout(&host);
  auto* top = new QLabel("top");
  auto* bottom = new QLabel("bottom");
  layout->addWidget(top);
  layout->addWidget(bottom);
  host.show();

  QWidget* root = KeyWindow::rootWidget(&host);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->isAncestorOf(top));
  EXPECT_TRUE(root->isAncestorOf(bottom));
  EXPECT_EQ(KeyWindow::rootWidget(&host), root) << "gathered once";
  EXPECT_TRUE(top->isVisible());

  std::unique_ptr<QWidget> former(KeyWindow::setRootWidget(&host, new ViewController));
  EXPECT_EQ(former.get(), root);
  EXPECT_TRUE(former->isAncestorOf(top)) << "the host's content moves as a whole";
}

TEST_F(KeyWindowTests, AWindowWithoutLayoutHasNoRootUntilOneIsSet) {
  QWidget host;
  host.show();
  EXPECT_EQ(KeyWindow::rootWidget(&host), nullptr);
  auto* screen = new ViewController;
  EXPECT_EQ(KeyWindow::setRootWidget(&host, screen), nullptr);
  EXPECT_EQ(KeyWindow::rootWidget(&host), screen);
  ASSERT_NE(host.layout(), nullptr);
  EXPECT_EQ(host.layout()->contentsMargins(), QMargins());
}

}  // namespace
}  // namespace tarvel
