#include "QrCodeDecoding.h"

#include <QByteArray>  // QByteArray

namespace tarvel::detail {

DecodedQrCode decodeQrCode(const std::string& qrCodeText) {
  const std::size_t first = qrCodeText.find(',');
  if (first == std::string::npos) return {{}, "the QR code text has no comma"};
  const std::size_t second = qrCodeText.find(',', first + 1);
  const std::string piece = qrCodeText.substr(
      first + 1, second == std::string::npos ? std::string::npos : second - first - 1);

  const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(piece),
                                                      QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.isEmpty()) return {{}, "the QR code is not base64"};
  QImage image = QImage::fromData(decoded.decoded);
  if (image.isNull()) return {{}, "the QR code is not an image"};
  return {image, {}};
}

}  // namespace tarvel::detail
