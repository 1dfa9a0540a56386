#include <memory>  // unique_ptr

#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "platform/Alert.h"

namespace tarvel {
namespace {

using detail::Alert;

// The alert closes before the handler runs, so a handler may show the next alert.
TEST(AlertTests, EachTapRunsItsHandlerOnceAfterTheAlertClosed) {
  QWidget window;
  window.show();
  QWidget inner(&window);
  int okRuns = 0;
  QPointer<Alert> alert = new Alert("Alert", "No Network");
  alert->addAction("CANCEL", Alert::ActionStyle::cancel);
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
}

TEST(AlertTests, EscapeTapsTheCancelActionAndWithoutOneTheAlertStays) {
  QWidget window;
  window.show();
  int cancelRuns = 0;
  auto* alert = new Alert("Alert", "No Network");
  alert->addAction("OK", Alert::ActionStyle::defaultStyle);
  alert->showOver(&window);
  alert->reject();
  EXPECT_EQ(Alert::openAlerts(), QList<Alert*>{alert}) << "no cancel action: stays open";

  alert->addAction("CANCEL", Alert::ActionStyle::cancel, [&] { ++cancelRuns; });
  alert->reject();
  EXPECT_EQ(cancelRuns, 1);
  EXPECT_TRUE(Alert::openAlerts().isEmpty());
  test::settle();
}

}  // namespace
}  // namespace tarvel
