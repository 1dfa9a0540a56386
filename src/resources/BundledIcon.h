#pragma once

#include <QIcon>    // QIcon
#include <QString>  // QString

namespace tarvel::detail {

/// The PNG picture `relativePath` of the component's bundle (e.g. "images/back_arrow.png") as
/// an icon, read by Qt's own PNG reader; a null icon when there is no such picture. QIcon's own
/// file loading asks every image plugin installed whether it reads the file, loading each of
/// them, which the first screen of a process would wait for.
QIcon bundledPngIcon(const QString& relativePath);

}  // namespace tarvel::detail
