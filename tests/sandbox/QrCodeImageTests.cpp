#include <cstdint>  // uint32_t

#include <zlib.h>

#include "Base64.h"
#include "QrCodeImage.h"
#include "SandboxTestSupport.h"

namespace tarvel::sandbox {
namespace {

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = at; i < at + 4; ++i) value = value << 8 | std::uint8_t(bytes.at(i));
  return value;
}

TEST(QrCodeImageTests, VerifyQrCodeIsAPngOfTheUpiLink) {
  testing::RunningSandbox sandbox;
  const auto order = sandbox.verify({{"moid", "qr-1"}, {"total", "10"}});
  const std::string dataUrl = order.at("qrCode");
  const std::string prefix = "data:image/png;base64,";
  ASSERT_EQ(dataUrl.rfind(prefix, 0), 0u);
  const auto png = Base64::decode(dataUrl.substr(prefix.size()));
  ASSERT_TRUE(png);

  // Read chunk by chunk, checking lengths and crc32, up to IEND.
  ASSERT_EQ(png->compare(0, 8, "\x89PNG\r\n\x1a\n"), 0) << "no PNG signature";
  std::string header, compressed, type;
  for (std::size_t at = 8; type != "IEND"; at += 12 + bigEndian(*png, at)) {
    ASSERT_LE(at + 12, png->size()) << "truncated chunk or no IEND";
    const std::uint32_t length = bigEndian(*png, at);
    ASSERT_LE(at + 12 + length, png->size()) << "chunk too long";
    type = png->substr(at + 4, 4);
    ASSERT_EQ(crc32(0L, reinterpret_cast<const Bytef*>(png->data() + at + 4), length + 4),
              bigEndian(*png, at + 8 + length))
        << type << " crc";
    if (type == "IHDR") header = png->substr(at + 8, length);
    if (type == "IDAT") compressed += png->substr(at + 8, length);
  }
  ASSERT_EQ(header.size(), 13u);
  const std::uint32_t width = bigEndian(header, 0);
  EXPECT_EQ(header[8], 1);  // bit depth
  EXPECT_EQ(header[9], 0);  // greyscale
  EXPECT_EQ(width, bigEndian(header, 4));
  EXPECT_GE(width, 21u * QrCodeImage::kModulePixels);
  EXPECT_LE(width, (177u + 8) * QrCodeImage::kModulePixels);

  // Each row: a filter byte, then the pixels packed eight to a byte (0 is dark).
  const std::size_t rowBytes = (width + 7) / 8 + 1;
  std::string rows(rowBytes * width, '\0');
  uLongf size = rows.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(rows.data()), &size,
                       reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()),
            Z_OK);
  ASSERT_EQ(size, rows.size()) << "IDAT does not inflate to the image size";
  const auto dark = [&](std::uint32_t x, std::uint32_t y) {
    return ((std::uint8_t(rows[y * rowBytes + 1 + x / 8]) >> (7 - x % 8)) & 1u) == 0;
  };

  // Every module's centre pixel matches the QR code of the link the answer carries.
  const auto modules = QrCodeImage::modules(order.at("u_link").get<std::string>());
  ASSERT_TRUE(modules);
  const int quiet = QrCodeImage::kQuietZoneModules;
  ASSERT_EQ(width, std::uint32_t((modules->side + 2 * quiet) * QrCodeImage::kModulePixels));
  for (int y = 0; y < modules->side; ++y) {
    for (int x = 0; x < modules->side; ++x) {
      const auto px = std::uint32_t((x + quiet) * QrCodeImage::kModulePixels + 4);
      const auto py = std::uint32_t((y + quiet) * QrCodeImage::kModulePixels + 4);
      ASSERT_EQ(dark(px, py), modules->dark[y * modules->side + x] != 0) << x << "," << y;
    }
  }
  EXPECT_FALSE(dark(0, 0));  // quiet zone
}

}  // namespace
}  // namespace tarvel::sandbox
