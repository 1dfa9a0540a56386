#include "QrCodeDecoding.h"

#include <QBuffer>       // QBuffer
#include <QImageReader>  // QImageReader

namespace tarvel::detail {
namespace {

// The picture's format by its first bytes: "png", "jpeg", "gif" or "bmp", else empty. A reader
// told the format reads with Qt's own handler for it; one left to find the format itself first
// loads every image plugin installed to ask each of them (a few milliseconds, on the GUI
// thread, at the first picture of the process).
QByteArray pictureFormat(const QByteArray& bytes) {
  struct Signature {
    const char* bytes;
    const char* format;
  };
  static constexpr Signature kSignatures[] = {{"\x89PNG\r\n\x1a\n", "png"},
                                              {"\xff\xd8\xff", "jpeg"},
                                              {"GIF87a", "gif"},
                                              {"GIF89a", "gif"},
                                              {"BM", "bmp"}};
  for (const Signature& signature : kSignatures) {
    if (bytes.startsWith(signature.bytes)) return signature.format;
  }
  return {};
}

// A reader of `buffer` with the picture's own format and no search for another.
void readAs(QImageReader& reader, const QByteArray& format) {
  reader.setFormat(format);
  reader.setAutoDetectImageFormat(false);
}

}  // namespace

QrCodePicture readQrCodePicture(const std::string& qrCodeText) {
  const std::size_t first = qrCodeText.find(',');
  if (first == std::string::npos) return {{}, {}, "the QR code text has no comma"};
  const std::size_t second = qrCodeText.find(',', first + 1);
  const std::string piece = qrCodeText.substr(
      first + 1, second == std::string::npos ? std::string::npos : second - first - 1);

  const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(piece),
                                                      QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.isEmpty()) return {{}, {}, "the QR code is not base64"};
  QrCodePicture picture{decoded.decoded, {}, {}};
  // The header alone, per reader: Qt's own allocation limit is the host's, process-wide.
  QBuffer buffer(&picture.bytes);
  buffer.open(QIODevice::ReadOnly);
  const QByteArray format = pictureFormat(picture.bytes);
  if (format.isEmpty()) return {{}, {}, "the QR code is not an image"};
  QImageReader reader(&buffer);
  readAs(reader, format);
  picture.size = reader.size();
  if (!reader.canRead() || !picture.size.isValid()) {
    picture.failure = "the QR code is not an image";
  } else if (picture.size.width() > kMaxQrCodeSide || picture.size.height() > kMaxQrCodeSide) {
    picture.failure = "the QR code's picture is " + std::to_string(picture.size.width()) + " x " +
                      std::to_string(picture.size.height()) + " pixels, more than " +
                      std::to_string(kMaxQrCodeSide) + " x " + std::to_string(kMaxQrCodeSide);
  }
  return picture;
}

DecodedQrCode decodeQrCodePicture(const QrCodePicture& picture) {
  if (!picture.failure.empty()) return {{}, picture.failure};
  QByteArray bytes = picture.bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  readAs(reader, pictureFormat(bytes));
  // The size checked is the size decoded: a reader reads the same header again.
  if (reader.size() != picture.size) return {{}, "the QR code is not an image"};
  QImage image = reader.read();
  if (image.isNull()) return {{}, "the QR code is not an image"};
  return {image, {}};
}

DecodedQrCode decodeQrCode(const std::string& qrCodeText) {
  return decodeQrCodePicture(readQrCodePicture(qrCodeText));
}

}  // namespace tarvel::detail
