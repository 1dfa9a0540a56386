#include "tarvel/GetBundle.h"

#include <QtGlobal>  // Q_INIT_RESOURCE

// The resources of a static library are only linked in when something refers to their
// initialiser, and Q_INIT_RESOURCE must be used outside any namespace.
static void initTarvelResources() {
  Q_INIT_RESOURCE(tarvel);
  Q_INIT_RESOURCE(tarvel_translations);
}

namespace tarvel {

QString GetBundle::resourceRoot() {
  static const bool registered = (initTarvelResources(), true);
  (void)registered;
  return QStringLiteral(":/tarvel/");
}

QString GetBundle::resourcePath(const QString& relativePath) {
  return resourceRoot() + relativePath;
}

}  // namespace tarvel
