#pragma once

#include <string>  // string

#include <QByteArray>  // QByteArray
#include <QImage>      // QImage
#include <QSize>       // QSize

namespace tarvel::detail {

/// The widest and tallest QR picture decoded, far beyond any QR code: a larger one is refused
/// before any pixel is decoded, whatever image allocation limit the host has set for Qt.
inline constexpr int kMaxQrCodeSide = 2048;

/// The image of a verify answer's "qrCode" text, or why there is none.
struct DecodedQrCode {
  QImage image;         // null when decoding failed
  std::string failure;  // empty on success
};

/// A QR picture whose bytes and declared size have been checked, not yet decoded.
struct QrCodePicture {
  QByteArray bytes;     // the image file
  QSize size;           // as its header declares it
  std::string failure;  // empty when the picture may be decoded
};

/// Decodes the piece between the first and the second "," of `qrCodeText` (for a data address
/// "data:image/png;base64,AAAA" the piece is "AAAA") as standard base64, where any character
/// outside the alphabet fails, and reads the picture's format and declared size, decoding no
/// pixel. Text without a comma, a piece that is not base64, bytes that are no PNG, JPEG, GIF or
/// BMP picture and a picture wider or taller than `kMaxQrCodeSide` each give a reason.
QrCodePicture readQrCodePicture(const std::string& qrCodeText);

/// The pixels of a picture `readQrCodePicture` accepted. Touches no widget: any thread.
DecodedQrCode decodeQrCodePicture(const QrCodePicture& picture);

/// Both steps at once.
DecodedQrCode decodeQrCode(const std::string& qrCodeText);

}  // namespace tarvel::detail
