#pragma once

#include <cstdint>      // uint8_t
#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view
#include <vector>       // vector

namespace tarvel::sandbox {

/// A QR code of a text (libqrencode, error correction level M), as a module grid, a PNG
/// image and a "data:image/png;base64," URL such as the verify answer's "qrCode" carries.
class QrCodeImage {
 public:
  /// Pixels per module and the width of the white border in modules.
  static constexpr int kModulePixels = 8;
  static constexpr int kQuietZoneModules = 4;

  /// The square module grid row by row (1 = dark) and its side, or nothing when the text
  /// does not fit a QR code.
  struct Modules {
    int side = 0;
    std::vector<std::uint8_t> dark;
  };
  static std::optional<Modules> modules(std::string_view text);

  static std::optional<std::string> png(std::string_view text);
  static std::optional<std::string> dataUrl(std::string_view text);
};

}  // namespace tarvel::sandbox
