#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "QtPrinters.h"
#include "platform/Alert.h"

namespace tarvel {
namespace {

void deleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class AlertTests : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(375, 667);
    window_.show();
  }
  void TearDown() override {
    for (Alert* alert : Alert::openAlerts()) delete alert;
    deleteDeferred();
  }

  QWidget window_;
};

TEST_F(AlertTests, ShowsTitleMessageAndActionsInTheOrderAdded) {
  auto* alert = new Alert("Are you sure you want to cancel the payment?");
  alert->addAction("CANCEL", Alert::ActionStyle::cancel);
  alert->addAction("OK", Alert::ActionStyle::defaultStyle);
  alert->showOver(&window_);

  ASSERT_EQ(Alert::openAlerts(), (QList<Alert*>{alert}));
  EXPECT_EQ(alert->title(), "Are you sure you want to cancel the payment?");
  EXPECT_TRUE(alert->message().isEmpty());
  EXPECT_EQ(alert->findChild<QLabel*>("alertMessage"), nullptr);
  EXPECT_EQ(alert->actionTitles(), (QStringList{"CANCEL", "OK"}));
  EXPECT_EQ(alert->actionStyle("CANCEL"), Alert::ActionStyle::cancel);
  EXPECT_EQ(alert->actionStyle("OK"), Alert::ActionStyle::defaultStyle);

  QList<QPushButton*> buttons = alert->findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 2);
  EXPECT_LT(buttons[0]->geometry().x(), buttons[1]->geometry().x())
      << buttons[0]->text().toStdString();
  EXPECT_EQ(buttons[0]->text(), "CANCEL");
}

TEST_F(AlertTests, IsWindowModalOverTheWidgetsWindow) {
  QWidget inner(&window_);
  auto* alert = new Alert("Alert", "No Network");
  alert->addAction("Ok", Alert::ActionStyle::cancel);
  alert->showOver(&inner);
  EXPECT_EQ(alert->parentWidget(), &window_);
  EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
  EXPECT_TRUE(alert->isWindow());
  EXPECT_TRUE(alert->isVisible());
}

TEST_F(AlertTests, TriggeringAnActionClosesTheAlertAndRunsItsHandlerOnce) {
  int okRuns = 0;
  int cancelRuns = 0;
  bool openWhileHandling = true;
  QPointer<Alert> alert = new Alert("Alert", "No Network");
  alert->addAction("CANCEL", Alert::ActionStyle::cancel, [&] { ++cancelRuns; });
  alert->addAction("OK", Alert::ActionStyle::defaultStyle, [&] {
    ++okRuns;
    openWhileHandling = !Alert::openAlerts().isEmpty();
  });
  alert->showOver(&window_);

  EXPECT_FALSE(alert->triggerAction("Nope"));
  EXPECT_TRUE(alert->triggerAction("OK"));
  EXPECT_FALSE(alert->triggerAction("OK")) << "a closed alert takes no more taps";
  EXPECT_EQ(okRuns, 1);
  EXPECT_EQ(cancelRuns, 0);
  EXPECT_FALSE(openWhileHandling);
  EXPECT_TRUE(Alert::openAlerts().isEmpty());
  deleteDeferred();
  EXPECT_FALSE(alert);
}

TEST_F(AlertTests, ClickingAButtonRunsTheHandler) {
  int runs = 0;
  auto* alert = new Alert("Alert", "Please enter OTP");
  alert->addAction("Ok", Alert::ActionStyle::cancel, [&] { ++runs; });
  alert->showOver(&window_);
  alert->findChild<QPushButton*>()->click();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(Alert::openAlerts().isEmpty());
}

TEST_F(AlertTests, EscapeTapsTheCancelActionOnly) {
  int cancelRuns = 0;
  auto* alert = new Alert("Alert");
  alert->addAction("OK", Alert::ActionStyle::defaultStyle);
  alert->addAction("CANCEL", Alert::ActionStyle::cancel, [&] { ++cancelRuns; });
  alert->showOver(&window_);
  alert->reject();
  EXPECT_EQ(cancelRuns, 1);

  auto* noCancel = new Alert("Alert");
  noCancel->addAction("OK", Alert::ActionStyle::defaultStyle);
  noCancel->showOver(&window_);
  noCancel->reject();
  EXPECT_EQ(Alert::openAlerts(), (QList<Alert*>{noCancel})) << "no cancel action: stays open";
}

TEST_F(AlertTests, AHandlerMayShowTheNextAlert) {
  auto* first = new Alert("Alert", "first");
  first->addAction("Ok", Alert::ActionStyle::cancel, [this] {
    auto* second = new Alert("Alert", "second");
    second->addAction("Ok", Alert::ActionStyle::cancel);
    second->showOver(&window_);
  });
  first->showOver(&window_);
  first->triggerAction("Ok");
  ASSERT_EQ(Alert::openAlerts().size(), 1);
  EXPECT_EQ(Alert::openAlerts().front()->message(), "second");
}

}  // namespace
}  // namespace tarvel
