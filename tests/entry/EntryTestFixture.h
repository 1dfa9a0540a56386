#pragma once

#include <gtest/gtest.h>

#include <memory>  // make_shared, shared_ptr, unique_ptr

#include <QLabel>
#include <QMainWindow>

#include "EntryTestSupport.h"
#include "platform/KeyWindow.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"

namespace tarvel::test {

/// A host application: a shown main window with a plain central widget, a recording screen
/// factory installed and a recording host delegate. The environment starts as staging.
class EntryTestFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ScreenFactory::setShared(factory_);
    NetworkManager::setEnvironment(Environment::staging);
  }

  void TearDown() override {
    ScreenFactory::setShared(nullptr);
    window_.reset();
    delete KeyWindow::ownWindow();
    settle();
  }

  QMainWindow* showHostWindow(QWidget* central = new QLabel("host shop")) {
    window_ = std::make_unique<QMainWindow>();
    window_->setCentralWidget(central);
    window_->resize(375, 667);
    window_->show();
    return window_.get();
  }

  NavigationController* windowNavigation() const {
    return qobject_cast<NavigationController*>(KeyWindow::rootWidget(KeyWindow::current()));
  }

  RecordingScreen* lastScreen() const {
    return factory_->screens.empty() ? nullptr : factory_->screens.back().data();
  }

  std::shared_ptr<RecordingScreenFactory> factory_ = std::make_shared<RecordingScreenFactory>();
  std::shared_ptr<RecordingHost> host_ = std::make_shared<RecordingHost>();
  std::unique_ptr<QMainWindow> window_;
};

}  // namespace tarvel::test
