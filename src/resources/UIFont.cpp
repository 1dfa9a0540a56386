#include "tarvel/UIFont.h"

#include <QByteArray>     // QByteArray
#include <QFile>          // QFile
#include <QFontDatabase>  // QFontDatabase
#include <algorithm>      // find_if
#include <array>          // array
#include <mutex>          // mutex, lock_guard
#include <optional>       // optional
#include <utility>        // move
#include <vector>         // vector

#include "tarvel/GetBundle.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

struct Face {
  const char* name;
  QFont::Weight weight;
};

// Registration order; each face is a weight of the one family "Metropolis".
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

struct RegisteredFace {
  QString name;
  QString family;
};

// The font database hands out a new id for a face it already holds instead of refusing it, so
// the faces registered by this process are remembered here and a repeat is refused by us.
class FaceRegistry {
 public:
  bool contains(const QString& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return findLocked(name) != nullptr;
  }

  void add(RegisteredFace face) {
    std::lock_guard<std::mutex> lock(mutex_);
    faces_.push_back(std::move(face));
  }

  std::optional<QString> familyOf(const QString& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const RegisteredFace* face = findLocked(name);
    return face ? std::optional<QString>(face->family) : std::nullopt;
  }

  QStringList names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    QStringList names;
    for (const auto& face : faces_) names << face.name;
    return names;
  }

 private:
  const RegisteredFace* findLocked(const QString& name) const {
    auto it = std::find_if(faces_.begin(), faces_.end(),
                           [&](const RegisteredFace& face) { return face.name == name; });
    return it == faces_.end() ? nullptr : &*it;
  }

  mutable std::mutex mutex_;
  std::vector<RegisteredFace> faces_;
};

FaceRegistry& registry() {
  static FaceRegistry faces;
  return faces;
}

QFont defaultFont(double pointSize) {
  QFont font;
  if (pointSize > 0) font.setPointSizeF(pointSize);
  return font;
}

}  // namespace

void UIFont::loadFonts() {
  for (const Face& face : kFaces) registerFont(QLatin1String(face.name), QStringLiteral("woff"));
}

void UIFont::registerFont(const QString& name, const QString& fileExtension) {
  if (registry().contains(name)) {
    log("Error registering font");
    return;
  }
  QFile file(GetBundle::resourcePath(QStringLiteral("fonts/%1.%2").arg(name, fileExtension)));
  if (!file.open(QIODevice::ReadOnly)) {
    log(("Font file missing: " + file.fileName()).toStdString());
    log("Error registering font");
    return;
  }
  const int id = QFontDatabase::addApplicationFontFromData(file.readAll());
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  if (id < 0 || families.isEmpty()) {
    log("Error registering font");
    return;
  }
  registry().add({name, families.first()});
}

QFont UIFont::font(const QString& faceName, double pointSize) {
  const Face* face = faceNamed(faceName);
  const std::optional<QString> family = registry().familyOf(faceName);
  if (!face || !family) {
    log(("Font not available: " + faceName).toStdString());
    return defaultFont(pointSize);
  }
  QFont font(*family);
  font.setWeight(face->weight);
  if (pointSize > 0) font.setPointSizeF(pointSize);
  return font;
}

QStringList UIFont::registeredFaces() { return registry().names(); }

}  // namespace tarvel
