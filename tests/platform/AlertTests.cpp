#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "platform/Alert.h"

namespace tarvel {
namespace {

using detail::Alert;

// A tap on a button or Escape (the cancel action; without one the alert stays) runs one
// handler once, after the alert closed, so a handler may show the next alert.
TEST(AlertTests, EachTapRunsItsHandlerOnceAfterTheAlertClosed) {
  QWidget window;
  window.show();
  QWidget inner(&window);
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "button");
    int okRuns = 0, cancelRuns = 0;
    QPointer<Alert> alert = new Alert("Alert", "No Network");
    const auto tapped = [](int& runs) {
      return [&runs] {
        ++runs;
        EXPECT_TRUE(Alert::openAlerts().isEmpty());
      };
    };
    alert->addAction("OK", Alert::ActionStyle::defaultStyle, tapped(okRuns));
    alert->showOver(&inner);
    EXPECT_EQ(alert->parentWidget(), &window);
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    alert->reject();
    EXPECT_EQ(Alert::openAlerts(), QList<Alert*>{alert}) << "no cancel action: stays open";
    alert->addAction("CANCEL", Alert::ActionStyle::cancel, tapped(cancelRuns));
    EXPECT_FALSE(alert->triggerAction("Nope"));

    escape ? alert->reject() : alert->findChildren<QPushButton*>().front()->click();
    EXPECT_FALSE(alert->triggerAction("OK")) << "a closed alert takes no more taps";
    EXPECT_EQ(okRuns, escape ? 0 : 1);
    EXPECT_EQ(cancelRuns, escape ? 1 : 0);
    test::settle();
    EXPECT_FALSE(alert);
  }
}

}  // namespace
}  // namespace tarvel
