#pragma once

#include <cstdint>      // uint8_t
#include <string_view>  // string_view

#include "tarvel/Export.h"

namespace tarvel {

/// An sRGB colour with 8-bit channels; alpha 255 is opaque. The screens turn it into their
/// toolkit's colour type.
struct TARVEL_CHECKOUT_EXPORT Color {
  /// A channel, 0 to 255.
  /// @{
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t alpha = 255;
  /// @}

  /// Parses "RGB", "RRGGBB" or "AARRGGBB" hexadecimal colour text; never fails.
  ///
  /// Leading and trailing characters that are not letters, marks or numbers are trimmed
  /// ("#0A9C4D", " 0A9C4D ", "0A9C4D;" all read as "0A9C4D"); inner ones stay. The trimmed text
  /// is read as a hexadecimal number (optional "0x"/"0X", case-insensitive, stopping at the
  /// first other character, 0 when no digit comes first, saturating at 2^64-1), and its length
  /// in characters (code points, not bytes) picks the layout: 3 repeats each digit (1A2 ->
  /// 11AA22), 6 is RGB, 8 is ARGB with alpha first; any other length gives opaque black. So
  /// "FF#FFF" reads only FF as six characters and gives blue.
  ///
  /// Input is UTF-8 (invalid bytes count as one non-letter character each). Which non-ASCII
  /// code points count as letters, marks or numbers is approximated without a Unicode
  /// database: every non-ASCII code point does, except the spaces, controls, punctuation and
  /// symbols of the Latin-1 supplement, the general and supplemental punctuation, currency,
  /// arrow, mathematical, technical, box drawing, shape, dingbat, CJK and fullwidth punctuation
  /// blocks, emoji and pictographs, private use and specials (U+FFF0..U+FFFF, the BOM).
  static Color fromHexString(std::string_view text);

  /// Colours are equal when all four channels are.
  friend constexpr bool operator==(const Color&, const Color&) = default;
};

}  // namespace tarvel
