#include <gtest/gtest.h>

#include <QApplication>  // QApplication
#include <QLabel>        // QLabel
#include <QPainter>      // QPainter
#include <QPixmap>       // QPixmap
#include <QPushButton>   // QPushButton
#include <QSignalSpy>    // QSignalSpy
#include <QTest>         // QTest
#include <utility>       // pair

#include "Screenshot.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/Shadow.h"
#include "tarvel/UIFont.h"

namespace tarvel {
namespace {

TEST(PaymentOptionViewTests, LoadedContentTakesTheTileBoundsOnceWithoutResizingRule) {
  QWidget list;
  PaymentOptionView tile(QRect(20, 15, 300, 70), &list);

  EXPECT_EQ(tile.geometry(), QRect(20, 15, 300, 70));
  ASSERT_NE(tile.contentView(), nullptr);
  EXPECT_EQ(tile.contentView()->parentWidget(), &tile);
  EXPECT_EQ(tile.contentView()->geometry(), QRect(0, 0, 300, 70));

  tile.resize(400, 90);
  EXPECT_EQ(tile.contentView()->geometry(), QRect(0, 0, 300, 70));
}

TEST(PaymentOptionViewTests, OutletsAreConnectedInsideTheLoadedContent) {
  PaymentOptionView tile(QRect(0, 0, 300, 70));
  QWidget* content = tile.contentView();

  ASSERT_NE(tile.buttonUPIOption(), nullptr);
  ASSERT_NE(tile.bgView(), nullptr);
  ASSERT_NE(tile.imageUPI(), nullptr);
  ASSERT_NE(tile.labelUPIName(), nullptr);
  EXPECT_TRUE(content->isAncestorOf(tile.buttonUPIOption()));
  EXPECT_TRUE(content->isAncestorOf(tile.bgView()));
  EXPECT_TRUE(tile.bgView()->isAncestorOf(tile.imageUPI()));
  EXPECT_TRUE(tile.bgView()->isAncestorOf(tile.labelUPIName()));
}

// The button is the tile's face: a tap anywhere on it reaches the button, and its edges leave
// room inside the tile for the drop shadow the list gives it.
TEST(PaymentOptionViewTests, ButtonIsTheTileFaceWithRoomForItsShadow) {
  QWidget list;
  list.resize(340, 100);
  PaymentOptionView tile(QRect(20, 15, 300, 70), &list);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

  const QRect face = tile.buttonUPIOption()->geometry();
  EXPECT_EQ(face, QRect(3, 1, 294, 63));
  EXPECT_EQ(tile.bgView()->geometry(), face);
  QSignalSpy clicked(tile.buttonUPIOption(), &QPushButton::clicked);
  for (QPoint point : {QPoint(4, 2), QPoint(150, 35), QPoint(295, 62)}) {
    QWidget* hit = tile.childAt(point);
    ASSERT_NE(hit, nullptr);
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&tile, point));
  }
  EXPECT_EQ(clicked.count(), 3);
}

// Tiles as the payment list dresses them; saved for the README when asked to.
TEST(PaymentOptionViewTests, ListStyledTilesRenderTheirTitlesOnWhiteShadowedFaces) {
  UIFont::loadFonts();
  QWidget list;
  list.setStyleSheet(QStringLiteral("background-color: #F4F5F7;"));
  list.resize(340, 285);
  const QList<std::pair<QString, QColor>> apps = {
      {QStringLiteral("PhonePe"), QColor(0x5f, 0x25, 0x9f)},
      {QStringLiteral("Google Pay"), QColor(0x1a, 0x73, 0xe8)},
      {QStringLiteral("Paytm"), QColor(0x00, 0xba, 0xf2)}};
  QList<PaymentOptionView*> tiles;
  int y = 15;
  for (const auto& [name, colour] : apps) {
    auto* tile = new PaymentOptionView(QRect(20, y, 300, 70), &list);
    QPushButton* button = tile->buttonUPIOption();
    button->setText(name);
    button->setFont(UIFont::font(QStringLiteral("Metropolis-Medium"), 15));
    QPixmap icon(36, 36);
    icon.fill(colour);
    button->setIcon(icon);
    button->setStyleSheet(button->styleSheet() +
                          QStringLiteral(" QPushButton { background-color: white; }"));
    addShadow(button, QSizeF(0, 3), Qt::black, 2.0, 0.35f);
    tiles << tile;
    y += 70 + 20;
  }
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

  const QImage picture = list.grab().toImage();
  for (int i = 0; i < tiles.size(); ++i) {
    const QPoint origin = tiles[i]->geometry().topLeft();
    EXPECT_EQ(picture.pixelColor(origin + QPoint(290, 10)), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(origin + QPoint(25, 35)), apps[i].second);
    EXPECT_LT(picture.pixelColor(origin + QPoint(150, 66)).lightness(),
              QColor(0xF4, 0xF5, 0xF7).lightness())
        << "no shadow under tile " << i;
  }
  test::saveScreenshot(list, QStringLiteral("payment-option-tiles"));
}

}  // namespace
}  // namespace tarvel
