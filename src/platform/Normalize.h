#pragma once

namespace tarvel::detail {

/// Scales a design size (drawn for a screen 375 points wide) to the primary screen:
/// width of the primary screen / 375 × `value`. Without a screen the value is returned as is.
double normalize(double value);

}  // namespace tarvel::detail
