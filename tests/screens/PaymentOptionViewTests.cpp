#include <QPushButton>  // QPushButton
#include <QSignalSpy>   // QSignalSpy
#include <QTest>        // QTest

#include <gtest/gtest.h>

#include "tarvel/PaymentOptionView.h"

namespace tarvel {
namespace {

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
