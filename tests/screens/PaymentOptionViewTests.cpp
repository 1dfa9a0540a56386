#include <QPushButton>  // QPushButton
#include <QSignalSpy>   // QSignalSpy
#include <QTest>        // QTest

#include <gtest/gtest.h>

#include "tarvel/PaymentOptionView.h"

namespace tarvel {
namespace {

// The loaded content takes the tile's bounds once, without a resizing rule; the button is the
// tile's face, a tap anywhere on it reaches the button, and its edges leave room for a shadow.
TEST(PaymentOptionViewTests, ContentTakesTheTileFrameAndTheButtonTakesEveryTap) {
  QWidget list;
  list.resize(340, 100);
  PaymentOptionView tile(QRect(20, 15, 300, 70), &list);
  EXPECT_EQ(tile.geometry(), QRect(20, 15, 300, 70));
  ASSERT_NE(tile.contentView(), nullptr);
  EXPECT_EQ(tile.contentView()->parentWidget(), &tile);
  EXPECT_EQ(tile.contentView()->geometry(), QRect(0, 0, 300, 70));
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

  const QRect face = tile.buttonUPIOption()->geometry();
  EXPECT_EQ(face, QRect(4, 2, 292, 60)) << "room for the soft shadow, most below";
  EXPECT_EQ(tile.bgView()->geometry(), face);
  QSignalSpy clicked(tile.buttonUPIOption(), &QPushButton::clicked);
  for (QPoint point : {QPoint(4, 2), QPoint(150, 35), QPoint(295, 61)}) {
    QWidget* hit = tile.childAt(point);
    ASSERT_NE(hit, nullptr);
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&tile, point));
  }
  EXPECT_EQ(clicked.count(), 3);

  tile.resize(400, 90);
  EXPECT_EQ(tile.contentView()->geometry(), QRect(0, 0, 300, 70));
}

}  // namespace
}  // namespace tarvel
