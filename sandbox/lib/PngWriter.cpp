#include "PngWriter.h"

#include <string_view>  // string_view

#include <zlib.h>

namespace tarvel::sandbox {
namespace {

constexpr std::string_view kSignature{"\x89PNG\r\n\x1a\n", 8};

void appendBigEndian(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>((value >> 24) & 0xff));
  out.push_back(static_cast<char>((value >> 16) & 0xff));
  out.push_back(static_cast<char>((value >> 8) & 0xff));
  out.push_back(static_cast<char>(value & 0xff));
}

// Length, type, data and a crc32 over type and data.
void appendChunk(std::string& out, std::string_view type, std::string_view data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::string typed(type);
  typed.append(data);
  out.append(typed);
  const auto crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(typed.data()),
                         static_cast<uInt>(typed.size()));
  appendBigEndian(out, static_cast<std::uint32_t>(crc));
}

// Each row: filter byte 0 (none), then eight pixels a byte, most significant bit first,
// 1 = white in greyscale.
std::string packRows(std::uint32_t width, std::uint32_t height,
                     const std::vector<std::uint8_t>& dark) {
  const std::size_t rowBytes = (width + 7) / 8;
  std::string raw;
  raw.reserve(height * (rowBytes + 1));
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back('\0');
    for (std::size_t byteIndex = 0; byteIndex < rowBytes; ++byteIndex) {
      unsigned char packed = 0;
      for (std::uint32_t bit = 0; bit < 8; ++bit) {
        const std::size_t x = byteIndex * 8 + bit;
        const bool white = x >= width || dark[y * std::size_t{width} + x] == 0;
        if (white) packed |= static_cast<unsigned char>(0x80u >> bit);
      }
      raw.push_back(static_cast<char>(packed));
    }
  }
  return raw;
}

std::optional<std::string> deflate(const std::string& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return std::nullopt;
  }
  out.resize(size);
  return out;
}

}  // namespace

std::optional<std::string> PngWriter::blackAndWhite(std::uint32_t width, std::uint32_t height,
                                                    const std::vector<std::uint8_t>& dark) {
  if (width == 0 || height == 0 || dark.size() != std::size_t{width} * height) return std::nullopt;
  const auto compressed = deflate(packRows(width, height, dark));
  if (!compressed) return std::nullopt;

  std::string header;
  appendBigEndian(header, width);
  appendBigEndian(header, height);
  header.push_back('\x01');  // bit depth
  header.push_back('\x00');  // colour type: greyscale
  header.push_back('\x00');  // compression: deflate
  header.push_back('\x00');  // filter method
  header.push_back('\x00');  // no interlace

  std::string png(kSignature);
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", *compressed);
  appendChunk(png, "IEND", {});
  return png;
}

}  // namespace tarvel::sandbox
