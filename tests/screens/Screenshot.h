#pragma once

#include <QDir>      // QDir
#include <QString>   // QString
#include <QWidget>   // QWidget
#include <QtGlobal>  // qEnvironmentVariable

namespace tarvel::test {

/// True when the run was asked for pictures (TARVEL_SCREENSHOT_DIR is set).
inline bool screenshotsRequested() { return !qEnvironmentVariableIsEmpty("TARVEL_SCREENSHOT_DIR"); }

/// Saves a picture of `widget` as `<TARVEL_SCREENSHOT_DIR>/<name>.png` when that variable is
/// set (the README's pictures are made this way); otherwise does nothing. True when saved.
inline bool saveScreenshot(QWidget& widget, const QString& name) {
  const QString dir = qEnvironmentVariable("TARVEL_SCREENSHOT_DIR");
  if (dir.isEmpty()) return false;
  QDir().mkpath(dir);
  return widget.grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

}  // namespace tarvel::test
