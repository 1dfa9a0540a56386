#pragma once

#include <string>  // string

namespace tarvel::detail {

class WebCheckoutFactory;

/// Finds and loads the web checkout module, the plugin that holds `CustomeCheckout` and Qt
/// WebEngine, on first use. Looked for, in this order, at:
///   $TARVEL_WEB_MODULE_PATH            when set, the only place looked at
///   <application dir>/<file>           a host that ships the module beside its executable
///   <application dir>/../<libdir>/<file>
///   <install libdir>/<file>            where the package installed it
///   <build tree>/<file>                the module built with this library
/// The first that loads, offers the factory and has this library's version is used, and stays
/// loaded until the process ends. A failure is not remembered: the next web order looks again.
/// Main thread only.
class WebCheckoutModule {
 public:
  /// The module's factory, or nullptr when no module could be used; then `failure()` names what
  /// is missing and why (for the caller to log).
  static WebCheckoutFactory* load();
  /// Why the last `load()` found no module; empty after a successful one.
  static const std::string& failure();
};

}  // namespace tarvel::detail
