#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>  // uint32_t
#include <string>   // string

#include "Base64.h"
#include "PngWriter.h"
#include "QrCodeImage.h"
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
         (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
         (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) |
         std::uint32_t(std::uint8_t(bytes[at + 3]));
}

// A decoded 1-bit greyscale PNG, checked chunk by chunk (lengths and crc32).
struct DecodedPng {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitDepth = 0;
  int colourType = 0;
  std::string rows;  // inflated IDAT: a filter byte and the packed pixels per row

  bool dark(std::uint32_t x, std::uint32_t y) const {
    const std::size_t rowBytes = (width + 7) / 8 + 1;
    const auto byte = std::uint8_t(rows[y * rowBytes + 1 + x / 8]);
    return ((byte >> (7 - x % 8)) & 1u) == 0;
  }
};

::testing::AssertionResult decodePng(const std::string& png, DecodedPng& out) {
  if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
    return ::testing::AssertionFailure() << "no PNG signature";
  std::string compressed;
  bool ended = false;
  for (std::size_t at = 8; at < png.size() && !ended;) {
    if (at + 12 > png.size()) return ::testing::AssertionFailure() << "truncated chunk";
    const std::uint32_t length = bigEndian(png, at);
    if (at + 12 + length > png.size()) return ::testing::AssertionFailure() << "chunk too long";
    const std::string type = png.substr(at + 4, 4);
    const std::string data = png.substr(at + 8, length);
    const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
    if (crc != bigEndian(png, at + 8 + length))
      return ::testing::AssertionFailure() << type << " crc";
    if (type == "IHDR") {
      out.width = bigEndian(data, 0);
      out.height = bigEndian(data, 4);
      out.bitDepth = data[8];
      out.colourType = data[9];
    } else if (type == "IDAT") {
      compressed += data;
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (!ended) return ::testing::AssertionFailure() << "no IEND";
  uLongf size = ((out.width + 7) / 8 + 1) * out.height;
  out.rows.assign(size, '\0');
  if (uncompress(reinterpret_cast<Bytef*>(out.rows.data()), &size,
                 reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()) != Z_OK ||
      size != out.rows.size()) {
    return ::testing::AssertionFailure() << "IDAT does not inflate to the image size";
  }
  return ::testing::AssertionSuccess();
}

TEST(QrCodeImageTests, VerifyQrCodeIsAPngOfTheUpiLink) {
  testing::RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "qr-1"}, {"total", "10"}});
  const std::string dataUrl = order.at("qrCode");
  const std::string prefix = "data:image/png;base64,";
  ASSERT_EQ(dataUrl.rfind(prefix, 0), 0u);
  const auto png = Base64::decode(dataUrl.substr(prefix.size()));
  ASSERT_TRUE(png);

  DecodedPng image;
  ASSERT_TRUE(decodePng(*png, image));
  EXPECT_EQ(image.bitDepth, 1);
  EXPECT_EQ(image.colourType, 0);
  EXPECT_EQ(image.width, image.height);
  EXPECT_GE(image.width, 21u * QrCodeImage::kModulePixels);
  EXPECT_LE(image.width, (177u + 8) * QrCodeImage::kModulePixels);

  // Every module's centre pixel matches the QR code of the link the answer carries.
  const auto modules = QrCodeImage::modules(order.at("u_link").get<std::string>());
  ASSERT_TRUE(modules);
  const int quiet = QrCodeImage::kQuietZoneModules;
  ASSERT_EQ(image.width, std::uint32_t((modules->side + 2 * quiet) * QrCodeImage::kModulePixels));
  for (int y = 0; y < modules->side; ++y) {
    for (int x = 0; x < modules->side; ++x) {
      const auto px = std::uint32_t((x + quiet) * QrCodeImage::kModulePixels + 4);
      const auto py = std::uint32_t((y + quiet) * QrCodeImage::kModulePixels + 4);
      ASSERT_EQ(image.dark(px, py), modules->dark[y * modules->side + x] != 0) << x << "," << y;
    }
  }
  EXPECT_FALSE(image.dark(0, 0));  // quiet zone
}

TEST(PngWriterTests, WritesPixelsThatDecodeBack) {
  const std::vector<std::uint8_t> pixels = {1, 0, 1, 0, 1, 0, 0, 0, 0, 1,  //
                                            0, 1, 0, 1, 0, 1, 1, 1, 1, 0};
  const auto png = PngWriter::blackAndWhite(10, 2, pixels);
  ASSERT_TRUE(png);
  DecodedPng image;
  ASSERT_TRUE(decodePng(*png, image));
  ASSERT_EQ(image.width, 10u);
  ASSERT_EQ(image.height, 2u);
  for (std::uint32_t y = 0; y < 2; ++y) {
    for (std::uint32_t x = 0; x < 10; ++x) EXPECT_EQ(image.dark(x, y), pixels[y * 10 + x] != 0);
  }
  EXPECT_FALSE(PngWriter::blackAndWhite(3, 3, pixels));
  EXPECT_FALSE(PngWriter::blackAndWhite(0, 0, {}));
}

}  // namespace
}  // namespace tarvel::sandbox
