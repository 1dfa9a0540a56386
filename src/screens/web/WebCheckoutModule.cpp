#include "WebCheckoutModule.h"

#include <algorithm>  // find
#include <cstdlib>    // getenv
#include <cstring>    // strcmp
#include <vector>     // vector

#include <QCoreApplication>
#include <QFileInfo>
#include <QPluginLoader>
#include <QString>

#include <dlfcn.h>  // dladdr

#include "WebCheckoutFactory.h"
#include "tarvel/Log.h"
#include "tarvel/Version.h"

namespace tarvel::detail {

// Every symbol of the component that the module takes from the executable (generated).
extern const void* const kWebCheckoutImports[];

namespace {

struct ModuleState {
  WebCheckoutFactory* factory = nullptr;
  std::string failure;
};

ModuleState& moduleState() {
  static ModuleState state;
  return state;
}

std::vector<QString> candidatePaths() {
  const char* override = std::getenv("TARVEL_WEB_MODULE_PATH");
  if (override && *override) return {QString::fromLocal8Bit(override)};
  const QString file = QStringLiteral(TARVEL_WEB_MODULE_FILE);
  std::vector<QString> paths;
  // Each place once: with the component linked into the executable, the first two are one.
  const auto add = [&paths](const QString& path) {
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
  };
  // Beside the binary that holds this code: libtarvel-checkout.so wherever it was installed or
  // unpacked (the module is packaged next to it), or the host's executable.
  Dl_info self{};
  if (dladdr(reinterpret_cast<const void*>(&candidatePaths), &self) != 0 && self.dli_fname) {
    add(QFileInfo(QString::fromLocal8Bit(self.dli_fname)).absolutePath() + '/' + file);
  }
  if (QCoreApplication::instance()) {
    const QString appDir = QCoreApplication::applicationDirPath();
    add(appDir + '/' + file);
    add(appDir + QStringLiteral("/../" TARVEL_INSTALL_LIBDIR "/") + file);
  }
  add(QStringLiteral(TARVEL_WEB_MODULE_INSTALLED));
  add(QStringLiteral(TARVEL_WEB_MODULE_BUILT));
  return paths;
}

// The factory of the module at `path`, or nullptr with the reason in `why`. A library that
// loads but is not a usable module is unloaded again.
WebCheckoutFactory* loadFrom(const QString& path, QString& why) {
  if (!QFileInfo::exists(path)) {
    why = QStringLiteral("not found");
    return nullptr;
  }
  QPluginLoader loader(path);
  // Every symbol bound now: a module that does not fit this host fails here, not in mid-flow.
  loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
  auto* factory = qobject_cast<WebCheckoutFactory*>(loader.instance());
  if (!factory) {
    why = loader.isLoaded() ? QStringLiteral("not a web checkout module") : loader.errorString();
    loader.unload();
    return nullptr;
  }
  if (std::strcmp(factory->version(), TARVEL_CHECKOUT_VERSION_STRING) != 0) {
    why = QStringLiteral("version %1, not " TARVEL_CHECKOUT_VERSION_STRING)
              .arg(QString::fromUtf8(factory->version()));
    loader.unload();
    return nullptr;
  }
  return factory;
}

}  // namespace

WebCheckoutFactory* WebCheckoutModule::load() {
  // Refers to the table, so that a host's link keeps what the module needs.
  const void* const volatile imports = kWebCheckoutImports;
  static_cast<void>(imports);
  auto& state = moduleState();
  if (state.factory) return state.factory;
  QStringList reasons;
  for (const QString& path : candidatePaths()) {
    QString why;
    if (auto* factory = loadFrom(path, why)) {
      log("Web checkout module loaded from " + path.toStdString());
      state.failure.clear();
      state.factory = factory;
      return factory;
    }
    reasons << path + QStringLiteral(" (") + why + ')';
  }
  state.failure = "The web checkout module " TARVEL_WEB_MODULE_FILE " is missing or unusable: " +
                  reasons.join(QStringLiteral("; ")).toStdString();
  return nullptr;
}

const std::string& WebCheckoutModule::failure() { return moduleState().failure; }

}  // namespace tarvel::detail
