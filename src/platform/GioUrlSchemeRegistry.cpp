#include "platform/GioUrlSchemeRegistry.h"

#include <memory>   // unique_ptr, shared_ptr
#include <string>   // string
#include <thread>   // thread
#include <utility>  // move

#include <gio/gio.h>

#include "platform/UrlScheme.h"
#include "tarvel/Log.h"

namespace tarvel::detail {

namespace {

// Owns a GObject reference.
struct ObjectUnref {
  void operator()(gpointer object) const {
    if (object) g_object_unref(object);
  }
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

// Launching spawns a process, which may take a while: it runs on a thread of its own, and the
// completion comes from there.
void GioUrlSchemeRegistry::open(const std::string& url, std::function<void(bool)> completion) {
  std::shared_ptr<GAppInfo> handler(defaultHandler(urlScheme(url)).release(), ObjectUnref());
  std::thread([handler, url, completion = std::move(completion)] {
    bool launched = false;
    if (handler) {
      GList uris{};
      uris.data = const_cast<char*>(url.c_str());
      GError* error = nullptr;
      launched = g_app_info_launch_uris(handler.get(), &uris, nullptr, &error);
      if (error) {
        log(LogLevel::warning, std::string("Could not open URL: ") + error->message);
        g_error_free(error);
      }
    }
    if (completion) completion(launched);
  }).detach();
}

}  // namespace tarvel::detail
