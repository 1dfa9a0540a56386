#include "BundledIcon.h"

#include <QImage>        // QImage
#include <QImageReader>  // QImageReader
#include <QPixmap>       // QPixmap

#include "tarvel/GetBundle.h"

namespace tarvel::detail {

QIcon bundledPngIcon(const QString& relativePath) {
  QImageReader reader(GetBundle::resourcePath(relativePath), "png");
  reader.setAutoDetectImageFormat(false);
  const QImage image = reader.read();
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace tarvel::detail
