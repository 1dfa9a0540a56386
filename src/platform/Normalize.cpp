#include "platform/Normalize.h"

#include <QGuiApplication>
#include <QScreen>

namespace tarvel::detail {

namespace {

constexpr double kDesignWidth = 375.0;

}  // namespace

double normalize(double value) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return value;
  return screen->geometry().width() / kDesignWidth * value;
}

}  // namespace tarvel::detail
