#pragma once

#include <string>  // string

#include <httplib.h>

namespace tarvel::sandbox {

/// The web host: serves the hosted checkout page "custom.html".
class WebEndpoints {
 public:
  /// Registers the routes under `prefix` (e.g. "/web/").
  void install(httplib::Server& server, const std::string& prefix);
};

}  // namespace tarvel::sandbox
