#pragma once

#include <string>  // string

#include <QImage>  // QImage

namespace tarvel::detail {

/// The image of a verify answer's "qrCode" text, or why there is none.
struct DecodedQrCode {
  QImage image;         // null when decoding failed
  std::string failure;  // empty on success
};

/// Decodes the piece between the first and the second "," of `qrCodeText` (for a data address
/// "data:image/png;base64,AAAA" the piece is "AAAA") as standard base64, where any character
/// outside the alphabet fails, and reads an image from the bytes. Text without a comma, a piece
/// that is not base64 and bytes that are no image each give a null image and a reason.
DecodedQrCode decodeQrCode(const std::string& qrCodeText);

}  // namespace tarvel::detail
