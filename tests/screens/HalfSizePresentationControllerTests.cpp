#include <gtest/gtest.h>

#include <QPointer>    // QPointer
#include <QSignalSpy>  // QSignalSpy
#include <QTest>       // QTest
#include <QWidget>     // QWidget
#include <memory>      // make_unique

#include "tarvel/HalfSizePresentationController.h"
#include "tarvel/ViewController.h"

namespace tarvel {
namespace {

constexpr int kWaitMs = 5000;

struct Presentation {
  Presentation() {
    container.resize(400, 800);
    container.show();
    sheet = new QWidget;  // no parent: the presentation owns it once shown
    controller = std::make_unique<HalfSizePresentationController>(sheet, nullptr);
  }

  bool presentAndSettle() {
    QSignalSpy presented(controller.get(), &HalfSizePresentationController::presentationCompleted);
    controller->present(&container);
    return presented.wait(kWaitMs);
  }

  QWidget container;
  QPointer<QWidget> sheet;
  std::unique_ptr<HalfSizePresentationController> controller;
};

qreal alphaOf(QWidget* backdrop) { return backdrop->property("alpha").toReal(); }

TEST(HalfSizePresentationControllerTests, SheetTopEdgeSitsAtOneFifthOfAn800HighContainer) {
  Presentation p;
  ASSERT_TRUE(p.presentAndSettle());

  EXPECT_EQ(p.controller->frameOfPresentedViewInContainerView(), QRect(0, 160, 400, 800));
  EXPECT_EQ(p.sheet->parentWidget(), &p.container);
  EXPECT_EQ(p.sheet->geometry(), QRect(0, 160, 400, 800));
  EXPECT_TRUE(p.sheet->isVisible());
}

TEST(HalfSizePresentationControllerTests, BackdropDimsTheWholeContainerBelowTheSheet) {
  Presentation p;
  ASSERT_TRUE(p.presentAndSettle());
  QWidget* backdrop = p.controller->blurEffectView();

  EXPECT_EQ(backdrop->parentWidget(), &p.container);
  EXPECT_EQ(backdrop->geometry(), p.container.rect());
  EXPECT_DOUBLE_EQ(alphaOf(backdrop), 0.4);
  const QObjectList order = p.container.children();
  EXPECT_LT(order.indexOf(backdrop), order.indexOf(p.sheet.data())) << "backdrop above the sheet";
}

TEST(HalfSizePresentationControllerTests, SheetHasRoundedCornersOfRadiusTen) {
  Presentation p;
  ASSERT_TRUE(p.presentAndSettle());
  const QRegion mask = p.sheet->mask();

  EXPECT_FALSE(mask.contains(QPoint(1, 1)));
  EXPECT_TRUE(mask.contains(QPoint(5, 5)));
  EXPECT_TRUE(mask.contains(QPoint(10, 0)));
  EXPECT_FALSE(mask.contains(QPoint(398, 1)));
  EXPECT_TRUE(mask.contains(QPoint(200, 400)));
}

TEST(HalfSizePresentationControllerTests, BackdropAndSheetFollowEveryContainerResize) {
  Presentation p;
  ASSERT_TRUE(p.presentAndSettle());

  for (QSize size : {QSize(800, 400), QSize(600, 1000)}) {
    p.container.resize(size);
    EXPECT_EQ(p.controller->blurEffectView()->geometry(), QRect(QPoint(0, 0), size));
    EXPECT_EQ(p.sheet->geometry(), QRect(0, size.height() / 5, size.width(), size.height()));
  }
}

TEST(HalfSizePresentationControllerTests, TapOnTheBackdropDismissesAndRemovesIt) {
  Presentation p;
  ASSERT_TRUE(p.presentAndSettle());
  QWidget* backdrop = p.controller->blurEffectView();
  QSignalSpy dismissed(p.controller.get(), &HalfSizePresentationController::dismissalCompleted);

  QTest::mouseClick(backdrop, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_FALSE(p.controller->isPresented());
  ASSERT_TRUE(dismissed.wait(kWaitMs));

  EXPECT_DOUBLE_EQ(alphaOf(backdrop), 0.0);
  EXPECT_EQ(backdrop->parentWidget(), nullptr);
  EXPECT_FALSE(p.container.children().contains(backdrop));
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(p.sheet.isNull()) << "a sheet that had no parent is released after dismissal";

  p.controller->dismiss();
  QTest::qWait(50);
  EXPECT_EQ(dismissed.count(), 1);
}

TEST(HalfSizePresentationControllerTests, DismissWhilePresentingEndsWithoutCompletingPresentation) {
  Presentation p;
  QSignalSpy presented(p.controller.get(), &HalfSizePresentationController::presentationCompleted);
  QSignalSpy dismissed(p.controller.get(), &HalfSizePresentationController::dismissalCompleted);

  p.controller->present(&p.container);
  p.controller->dismiss();
  ASSERT_TRUE(dismissed.wait(kWaitMs));

  EXPECT_EQ(presented.count(), 0);
  EXPECT_EQ(dismissed.count(), 1);
}

TEST(HalfSizePresentationControllerTests, SheetWithAParentGoesBackToItAfterDismissal) {
  QWidget container;
  container.resize(400, 800);
  container.show();
  QWidget home;
  auto* sheet = new QWidget(&home);
  HalfSizePresentationController controller(sheet, nullptr);
  QSignalSpy dismissed(&controller, &HalfSizePresentationController::dismissalCompleted);

  controller.present(&container);
  EXPECT_EQ(sheet->parentWidget(), &container);
  controller.dismiss();
  ASSERT_TRUE(dismissed.wait(kWaitMs));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  EXPECT_EQ(sheet->parentWidget(), &home);
  EXPECT_FALSE(sheet->isVisibleTo(&home));
}

TEST(HalfSizePresentationControllerTests, DefaultContainerIsThePresentingScreensWindow) {
  QWidget window;
  window.resize(300, 500);
  QWidget presenting(&window);
  window.show();
  HalfSizePresentationController controller(new QWidget, &presenting);

  controller.present();

  EXPECT_EQ(controller.containerView(), &window);
  EXPECT_EQ(controller.presentedView()->geometry(), QRect(0, 100, 300, 500));
}

class HookRecorder : public ViewController {
 public:
  void viewWillAppear(bool) override { hooks << QStringLiteral("willAppear"); }
  void viewDidAppear(bool) override { hooks << QStringLiteral("didAppear"); }
  void viewWillDisappear(bool) override { hooks << QStringLiteral("willDisappear"); }
  void viewDidDisappear(bool) override { hooks << QStringLiteral("didDisappear"); }
  QStringList hooks;
};

TEST(HalfSizePresentationControllerTests, PresentedScreenReceivesItsAppearanceHooks) {
  QWidget container;
  container.resize(400, 800);
  container.show();
  QWidget home;
  auto* screen = new HookRecorder;
  screen->setParent(&home);
  HalfSizePresentationController controller(screen, nullptr);
  QSignalSpy dismissed(&controller, &HalfSizePresentationController::dismissalCompleted);

  controller.present(&container);
  EXPECT_EQ(screen->hooks, QStringList({"willAppear", "didAppear"}));
  controller.dismiss();
  ASSERT_TRUE(dismissed.wait(kWaitMs));
  EXPECT_EQ(screen->hooks,
            QStringList({"willAppear", "didAppear", "willDisappear", "didDisappear"}));
}

}  // namespace
}  // namespace tarvel
