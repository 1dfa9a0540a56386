#include "platform/KeyWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include "platform/Alert.h"
#include "tarvel/ViewController.h"

namespace tarvel::detail {

namespace {

// A phone's portrait screen, in points.
constexpr int kOwnWindowWidth = 390;
constexpr int kOwnWindowHeight = 844;

QPointer<QMainWindow>& ownWindowPointer() {
  static QPointer<QMainWindow> window;
  return window;
}

bool canBeKeyWindow(const QWidget* widget) {
  if (!widget || !widget->isWindow() || !widget->isVisible()) return false;
  if (qobject_cast<const Alert*>(widget)) return false;
  const Qt::WindowType type = widget->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

QWidget* singleLayoutWidget(QLayout* layout) {
  if (!layout || layout->count() != 1) return nullptr;
  return layout->itemAt(0)->widget();
}

// Moves the window's own layout, with everything in it, into one content widget held by a
// layout the component sets, so that the content has a single root.
void gatherContent(QWidget* window) {
  QLayout* hostLayout = window->layout();
  auto* content = new QWidget;
  content->setLayout(hostLayout);  // takes the layout and its widgets from the window
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(content);
  content->show();
}

}  // namespace

QWidget* KeyWindow::current() {
  QWidget* active = QApplication::activeWindow();
  if (canBeKeyWindow(active)) return active;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (canBeKeyWindow(widget)) return widget;
  }
  return nullptr;
}

QWidget* KeyWindow::currentOrOpen() {
  if (QWidget* window = current()) return window;
  QPointer<QMainWindow>& own = ownWindowPointer();
  if (!own) {
    own = new QMainWindow;
    own->setAttribute(Qt::WA_DeleteOnClose);
    own->setWindowTitle(QGuiApplication::applicationDisplayName());
    own->resize(kOwnWindowWidth, kOwnWindowHeight);
  }
  return own;
}

QWidget* KeyWindow::ownWindow() { return ownWindowPointer(); }

QWidget* KeyWindow::rootWidget(QWidget* window) {
  if (!window) return nullptr;
  if (auto* mainWindow = qobject_cast<QMainWindow*>(window)) return mainWindow->centralWidget();
  QLayout* layout = window->layout();
  if (!layout || layout->isEmpty()) return nullptr;
  if (!singleLayoutWidget(layout)) gatherContent(window);
  return singleLayoutWidget(window->layout());
}

ViewController* KeyWindow::rootViewController(QWidget* window) {
  return qobject_cast<ViewController*>(rootWidget(window));
}

QWidget* KeyWindow::setRootWidget(QWidget* window, QWidget* root) {
  if (!window) return nullptr;
  QWidget* former = rootWidget(window);
  if (former == root) {
    if (root) root->show();
    return nullptr;
  }
  if (auto* mainWindow = qobject_cast<QMainWindow*>(window)) {
    mainWindow->takeCentralWidget();
    if (root) mainWindow->setCentralWidget(root);
  } else {
    if (former) former->setParent(nullptr);
    QLayout* layout = window->layout();
    if (!layout) {
      layout = new QVBoxLayout(window);
      layout->setContentsMargins(0, 0, 0, 0);
    }
    // The former root's layout item went with it; what is left is empty.
    if (root) layout->addWidget(root);
  }
  if (former) former->hide();
  if (root) root->show();
  return former;
}

void KeyWindow::makeKeyAndVisible(QWidget* window) {
  if (!window) return;
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace tarvel::detail
