#pragma once

#include <string>  // string

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

namespace tarvel::test {

/// Compares `actual` with the reviewed picture golden/<name>.png in the source tree, or writes
/// it there when TARVEL_UPDATE_GOLDEN=1 (scripts/update-golden-images.sh). A mismatch is a test
/// failure naming the actual and the difference picture it left in the build folder.
void expectMatchesGolden(const QImage& actual, const QString& name);

/// The window sizes every state is pictured at, a phone's and a desktop's, and their names in
/// the test names ("375x667").
inline const auto kGoldenSizes = ::testing::Values(QSize(375, 667), QSize(1280, 800));
std::string goldenSizeName(const ::testing::TestParamInfo<QSize>& info);

/// Moves the pointer off every window, so that no control is pictured under a hovering mouse
/// (the offscreen pointer starts at 0,0, where the back button sits).
void movePointerAway();

/// The window as the shopper sees it: any open alert is drawn centred over a dimmed window, as
/// a window manager would place it. Spinners are stopped at their first frame first.
QImage shopperView(QWidget* window);

}  // namespace tarvel::test
