#include "platform/Normalize.h"

#include <algorithm>  // min

namespace tarvel::detail {

namespace {

constexpr double kDesignWidth = 375.0;

}  // namespace

double normalize(double value, int windowWidth) {
  const double width = windowWidth > 0 ? std::min(windowWidth, kWidestLayout) : kDesignWidth;
  return width / kDesignWidth * value;
}

}  // namespace tarvel::detail
