#include <cstdint>  // uint32_t
#include <utility>  // pair

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

  // The writer's layout: the signature, IHDR, one IDAT and IEND, each chunk with its crc32.
  ASSERT_GT(png->size(), 57u);
  ASSERT_EQ(png->compare(0, 16, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)), 0);
  const std::uint32_t width = bigEndian(*png, 16), idat = bigEndian(*png, 33);
  ASSERT_EQ(png->compare(37, 4, "IDAT"), 0);
  ASSERT_EQ(png->substr(45 + idat), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));
  for (const auto& [at, length] : {std::pair<std::size_t, std::uint32_t>{8, 13}, {33, idat}}) {
    EXPECT_EQ(crc32(0L, reinterpret_cast<const Bytef*>(png->data() + at + 4), length + 4),
              bigEndian(*png, at + 8 + length));
  }
  EXPECT_EQ(width, bigEndian(*png, 20));
  EXPECT_EQ(png->substr(24, 5), std::string("\x01\0\0\0\0", 5));  // 1 bit, greyscale
  const std::string compressed = png->substr(41, idat);
  // The QR code of the link the answer carries, with its quiet zone.
  const auto modules = QrCodeImage::modules(order.at("u_link").get<std::string>());
  ASSERT_TRUE(modules);
  const int quiet = QrCodeImage::kQuietZoneModules;
  ASSERT_EQ(width, std::uint32_t((modules->side + 2 * quiet) * QrCodeImage::kModulePixels));

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

  // Every module's centre pixel matches the QR code.
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
