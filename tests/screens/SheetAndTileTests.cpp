// The widgets the screens are made of, on their own: the sheet's lifetime (its look is pictured
// by the OTP screen's golden tests, a window deleted under it is the entry's teardown test) and
// the payment tile's hit area.
#include <QPointer>     // QPointer
#include <QPushButton>  // QPushButton
#include <QSignalSpy>   // QSignalSpy
#include <QTest>        // QTest

#include <gtest/gtest.h>

#include "tarvel/HalfSizePresentationController.h"
#include "tarvel/PaymentOptionView.h"

namespace tarvel {
namespace {

constexpr int kWaitMs = 5000;

// A sheet that had no parent is owned by the presentation: it follows the window's size, and
// a tap on the backdrop dismisses once, removes the backdrop and releases the sheet.
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
  container.resize(800, 400);
  EXPECT_EQ(sheet->geometry(), QRect(0, 80, 800, 400));

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

// The tile's look is pictured by the UPI screen's golden tests; a tap anywhere on it, up to its
// edges, reaches the button.
TEST(PaymentOptionViewTests, TheButtonTakesEveryTapOnTheTile) {
  QWidget list;
  PaymentOptionView tile(QRect(20, 15, 300, 70), &list);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  QSignalSpy clicked(tile.buttonUPIOption(), &QPushButton::clicked);
  for (QPoint point : {QPoint(4, 2), QPoint(150, 35), QPoint(295, 61)}) {
    QWidget* hit = tile.childAt(point);
    ASSERT_NE(hit, nullptr);
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&tile, point));
  }
  EXPECT_EQ(clicked.count(), 3);
}

}  // namespace
}  // namespace tarvel
