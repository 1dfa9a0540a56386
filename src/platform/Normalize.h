#pragma once

namespace tarvel::detail {

/// The widest window the native screens scale for. Design sizes are drawn for a window 375 px
/// wide; a wider window scales them up to this width and lays the screens out as a column of
/// this width.
inline constexpr int kWidestLayout = 430;

/// Scales a design size to a window `windowWidth` px wide: min(`windowWidth`, kWidestLayout) /
/// 375 × `value`. A window without a width yet counts as 375 px wide. Both native screens size
/// their fonts and geometry by this one rule.
double normalize(double value, int windowWidth);

}  // namespace tarvel::detail
