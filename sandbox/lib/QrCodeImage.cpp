#include "QrCodeImage.h"

#include <memory>  // unique_ptr

#include <qrencode.h>

#include "Base64.h"
#include "PngWriter.h"

namespace tarvel::sandbox {
namespace {

struct QRcodeFree {
  void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

std::optional<QrCodeImage::Modules> QrCodeImage::modules(std::string_view text) {
  const std::string terminated(text);
  // Version 0 lets libqrencode pick the smallest version that holds the text.
  std::unique_ptr<QRcode, QRcodeFree> code(
      QRcode_encodeString8bit(terminated.c_str(), 0, QR_ECLEVEL_M));
  if (!code || code->width <= 0) return std::nullopt;
  Modules grid;
  grid.side = code->width;
  const std::size_t count = static_cast<std::size_t>(code->width) * code->width;
  grid.dark.resize(count);
  // Bit 0 of each libqrencode byte tells dark (1) from light (0).
  for (std::size_t i = 0; i < count; ++i) grid.dark[i] = code->data[i] & 1u;
  return grid;
}

std::optional<std::string> QrCodeImage::png(std::string_view text) {
  const auto grid = modules(text);
  if (!grid) return std::nullopt;
  const int sideModules = grid->side + 2 * kQuietZoneModules;
  const auto sidePixels = static_cast<std::uint32_t>(sideModules * kModulePixels);
  std::vector<std::uint8_t> dark(std::size_t{sidePixels} * sidePixels, 0);
  for (std::uint32_t y = 0; y < sidePixels; ++y) {
    for (std::uint32_t x = 0; x < sidePixels; ++x) {
      const int moduleX = static_cast<int>(x) / kModulePixels - kQuietZoneModules;
      const int moduleY = static_cast<int>(y) / kModulePixels - kQuietZoneModules;
      const bool inside =
          moduleX >= 0 && moduleY >= 0 && moduleX < grid->side && moduleY < grid->side;
      if (inside) {
        dark[std::size_t{y} * sidePixels + x] =
            grid->dark[static_cast<std::size_t>(moduleY) * grid->side + moduleX];
      }
    }
  }
  return PngWriter::blackAndWhite(sidePixels, sidePixels, dark);
}

std::optional<std::string> QrCodeImage::dataUrl(std::string_view text) {
  const auto image = png(text);
  if (!image) return std::nullopt;
  return "data:image/png;base64," + Base64::encode(*image);
}

}  // namespace tarvel::sandbox
