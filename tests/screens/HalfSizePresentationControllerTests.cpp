#include <QPointer>    // QPointer
#include <QSignalSpy>  // QSignalSpy
#include <QTest>       // QTest

#include <gtest/gtest.h>

#include "tarvel/HalfSizePresentationController.h"

namespace tarvel {
namespace {

constexpr int kWaitMs = 5000;

class HalfSizePresentationControllerTests : public ::testing::Test {
 protected:
  void SetUp() override {
    container_.resize(400, 800);
    container_.show();
  }
  QWidget container_;
};

TEST_F(HalfSizePresentationControllerTests, SheetSitsAtOneFifthOverABackdropAndFollowsResizes) {
  QPointer<QWidget> sheet = new QWidget;  // no parent: the presentation owns it once shown
  HalfSizePresentationController controller(sheet, nullptr);
  QSignalSpy presented(&controller, &HalfSizePresentationController::presentationCompleted);
  controller.present(&container_);
  ASSERT_TRUE(presented.wait(kWaitMs));

  EXPECT_EQ(controller.frameOfPresentedViewInContainerView(), QRect(0, 160, 400, 800));
  EXPECT_EQ(sheet->parentWidget(), &container_);
  EXPECT_EQ(sheet->geometry(), QRect(0, 160, 400, 800));
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_FALSE(sheet->mask().contains(QPoint(1, 1))) << "rounded corners of radius ten";
  EXPECT_TRUE(sheet->mask().contains(QPoint(5, 5)));
  EXPECT_TRUE(sheet->mask().contains(QPoint(10, 0)));
  EXPECT_FALSE(sheet->mask().contains(QPoint(398, 1)));
  EXPECT_TRUE(sheet->mask().contains(QPoint(200, 400)));
  QWidget* backdrop = controller.blurEffectView();
  EXPECT_EQ(backdrop->parentWidget(), &container_);
  EXPECT_EQ(backdrop->geometry(), container_.rect());
  EXPECT_DOUBLE_EQ(backdrop->property("alpha").toReal(), 0.4);
  const QObjectList order = container_.children();
  EXPECT_LT(order.indexOf(backdrop), order.indexOf(sheet.data())) << "backdrop above the sheet";
  for (QSize size : {QSize(800, 400), QSize(600, 1000)}) {
    container_.resize(size);
    EXPECT_EQ(backdrop->geometry(), QRect(QPoint(0, 0), size));
    EXPECT_EQ(sheet->geometry(), QRect(0, size.height() / 5, size.width(), size.height()));
  }

  // A tap on the backdrop dismisses once, removes the backdrop and releases the sheet.
  QSignalSpy dismissed(&controller, &HalfSizePresentationController::dismissalCompleted);
  QTest::mouseClick(backdrop, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_FALSE(controller.isPresented());
  ASSERT_TRUE(dismissed.wait(kWaitMs));
  EXPECT_DOUBLE_EQ(backdrop->property("alpha").toReal(), 0.0);
  EXPECT_EQ(backdrop->parentWidget(), nullptr);
  EXPECT_FALSE(container_.children().contains(backdrop));
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sheet.isNull()) << "a sheet that had no parent is released after dismissal";
  controller.dismiss();
  QTest::qWait(50);
  EXPECT_EQ(dismissed.count(), 1);
}

// The window closes while the sheet is up: the backdrop and the sheet go with it, and a later
// dismissal (a tap that was already queued, or the host's own call) finds nothing to act on.
TEST_F(HalfSizePresentationControllerTests, DismissAfterTheContainerIsGoneDoesNothing) {
  auto* window = new QWidget;
  window->resize(400, 800);
  window->show();
  QPointer<QWidget> sheet = new QWidget;
  HalfSizePresentationController controller(sheet, nullptr);
  QSignalSpy presented(&controller, &HalfSizePresentationController::presentationCompleted);
  controller.present(window);
  ASSERT_TRUE(presented.wait(kWaitMs));
  QSignalSpy dismissed(&controller, &HalfSizePresentationController::dismissalCompleted);

  delete window;
  controller.dismiss();

  EXPECT_TRUE(sheet.isNull()) << "the sheet sat in the window";
  EXPECT_EQ(controller.containerView(), nullptr);
  EXPECT_EQ(controller.blurEffectView(), nullptr);
  EXPECT_FALSE(controller.isPresented());
  EXPECT_EQ(dismissed.count(), 0);
}

}  // namespace
}  // namespace tarvel
