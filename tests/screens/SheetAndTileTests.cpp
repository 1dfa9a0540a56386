// The sheet on its own: its lifetime (its look is pictured by the OTP screen's golden tests, a
// window deleted under it is the entry's teardown test).
#include <QPointer>    // QPointer
#include <QSignalSpy>  // QSignalSpy
#include <QTest>       // QTest

#include <gtest/gtest.h>

#include "tarvel/HalfSizePresentationController.h"

namespace tarvel {
namespace {

constexpr int kWaitMs = 5000;

// A sheet that had no parent is owned by the presentation: a tap on the backdrop dismisses once,
// removes the backdrop and releases the sheet.
TEST(HalfSizePresentationControllerTests, ABackdropTapDismissesOnceAndReleasesTheSheet) {
  QWidget container;
  container.resize(400, 800);
  container.show();
  QPointer<QWidget> sheet = new QWidget;
  HalfSizePresentationController controller(sheet, nullptr);
  QSignalSpy presented(&controller, &HalfSizePresentationController::presentationCompleted);
  controller.present(&container);
  ASSERT_TRUE(presented.wait(kWaitMs));
  EXPECT_EQ(sheet->parentWidget(), &container);

  QWidget* backdrop = controller.blurEffectView();
  QSignalSpy dismissed(&controller, &HalfSizePresentationController::dismissalCompleted);
  QTest::mouseClick(backdrop, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_FALSE(controller.isPresented());
  ASSERT_TRUE(dismissed.wait(kWaitMs));
  EXPECT_FALSE(container.children().contains(backdrop));
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sheet.isNull());
  controller.dismiss();
  QTest::qWait(50);
  EXPECT_EQ(dismissed.count(), 1);
}

}  // namespace
}  // namespace tarvel
