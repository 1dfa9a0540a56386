#pragma once

#include <cstdint>   // uint32_t, uint8_t
#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

namespace tarvel::sandbox {

/// Writes black-and-white images as PNG files (1-bit greyscale), chunk by chunk with zlib's
/// deflate and crc32, so the sandbox needs no image library.
class PngWriter {
 public:
  /// `dark` holds width × height entries row by row; non-zero is black. Nothing when the sizes
  /// do not match or are zero, or compression fails.
  static std::optional<std::string> blackAndWhite(std::uint32_t width, std::uint32_t height,
                                                  const std::vector<std::uint8_t>& dark);
};

}  // namespace tarvel::sandbox
