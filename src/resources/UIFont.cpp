#include "tarvel/UIFont.h"

#include <algorithm>  // find_if
#include <array>      // array
#include <mutex>      // mutex, lock_guard

#include <QByteArray>     // QByteArray
#include <QFile>          // QFile
#include <QFontDatabase>  // QFontDatabase
#include <QResource>      // QResource

#include "tarvel/GetBundle.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

struct Face {
  const char* name;
  QFont::Weight weight;
};

// Registration order. Each face is a family of its own, named after the face (the files are
// renamed so by scripts/fetch-fonts.sh); the weight is the face's own.
constexpr std::array<Face, 7> kFaces{{
    {"Metropolis-Regular", QFont::Normal},
    {"Metropolis-Thin", QFont::Thin},
    {"Metropolis-Medium", QFont::Medium},
    {"Metropolis-Light", QFont::Light},
    {"Metropolis-ExtraLight", QFont::ExtraLight},
    {"Metropolis-Bold", QFont::Bold},
    {"Metropolis-Black", QFont::Black},
}};

const Face* faceNamed(const QString& name) {
  auto it = std::find_if(kFaces.begin(), kFaces.end(),
                         [&](const Face& face) { return name == QLatin1String(face.name); });
  return it == kFaces.end() ? nullptr : &*it;
}

// The font database hands out a new id for a face it already holds instead of refusing it, so
// the faces registered by this process are remembered here and a repeat is skipped.
class FaceRegistry {
 public:
  bool contains(const QString& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return names_.contains(name);
  }

  void add(const QString& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    names_ << name;
  }

  QStringList names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return names_;
  }

 private:
  mutable std::mutex mutex_;
  QStringList names_;
};

FaceRegistry& registry() {
  static FaceRegistry faces;
  return faces;
}

// A face stored uncompressed in the compiled-in bundle, without a copy: the bundle stays for
// the life of the process, as do the registered faces that read it. Null for anything else.
QByteArray bundledBytes(const QString& path) {
  const QResource resource(path);
  if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression) {
    return {};
  }
  return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                 static_cast<qsizetype>(resource.size()));
}

QFont defaultFont(double pointSize) {
  QFont font;
  if (pointSize > 0) font.setPointSizeF(pointSize);
  return font;
}

}  // namespace

void UIFont::loadFonts() {
  for (const Face& face : kFaces) registerFont(QLatin1String(face.name), QStringLiteral("ttf"));
}

void UIFont::registerFont(const QString& name, const QString& fileExtension) {
  // One registration at a time, so that a warm-up on a pooled thread and a screen on the GUI
  // thread never register a face twice; the GUI thread waits at most for one face.
  static std::mutex registering;
  std::lock_guard<std::mutex> lock(registering);
  if (registry().contains(name)) return;  // registered once per process, for its life
  const QString path =
      GetBundle::resourcePath(QStringLiteral("fonts/%1.%2").arg(name, fileExtension));
  QByteArray data = bundledBytes(path);
  if (data.isNull()) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      log(LogLevel::warning, ("Font file missing: " + file.fileName()).toStdString());
      log(LogLevel::warning, "Error registering font");
      return;
    }
    data = file.readAll();
  }
  const int id = QFontDatabase::addApplicationFontFromData(data);
  // Each file's family is its face name, which is what lets Qt find the face by that name.
  if (id < 0 || !QFontDatabase::applicationFontFamilies(id).contains(name)) {
    log(LogLevel::warning, "Error registering font");
    return;
  }
  registry().add(name);
}

QFont UIFont::font(const QString& faceName, double pointSize) {
  const Face* face = faceNamed(faceName);
  if (!face || !registry().contains(faceName)) {
    log(LogLevel::warning, ("Font not available: " + faceName).toStdString());
    return defaultFont(pointSize);
  }
  QFont font(faceName);
  font.setWeight(face->weight);
  if (pointSize > 0) font.setPointSizeF(pointSize);
  return font;
}

QStringList UIFont::registeredFaces() { return registry().names(); }

}  // namespace tarvel
