#include "platform/GioUrlSchemeRegistry.h"

#include <gio/gio.h>

#include <memory>  // unique_ptr
#include <string>  // string

#include "platform/UrlScheme.h"
#include "tarvel/Log.h"

namespace tarvel::detail {

namespace {

// Owns a GObject reference.
struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, ObjectUnref>;

AppInfo defaultHandler(const std::string& scheme) {
  if (scheme.empty()) return nullptr;
  return AppInfo(g_app_info_get_default_for_uri_scheme(scheme.c_str()));
}

}  // namespace

bool GioUrlSchemeRegistry::hasHandler(const std::string& scheme) {
  return defaultHandler(scheme) != nullptr;
}

void GioUrlSchemeRegistry::open(const std::string& url, std::function<void(bool)> completion) {
  AppInfo handler = defaultHandler(urlScheme(url));
  bool launched = false;
  if (handler) {
    GList uris{};
    uris.data = const_cast<char*>(url.c_str());
    GError* error = nullptr;
    launched = g_app_info_launch_uris(handler.get(), &uris, nullptr, &error);
    if (error) {
      log(std::string("Could not open URL: ") + error->message);
      g_error_free(error);
    }
  }
  if (completion) completion(launched);
}

}  // namespace tarvel::detail
