#pragma once

#include "platform/UrlSchemeRegistry.h"

namespace tarvel::detail {

/// The desktop's URL-scheme handlers through GIO: a scheme has a handler when GIO knows a
/// default application for "x-scheme-handler/<scheme>" (desktop files and mimeapps.list under
/// the XDG data and config folders). Opening launches that application with the URL as its
/// argument; launching only spawns the process and does not wait for it. It happens on a
/// thread of its own, so the caller never waits for the spawn; the completion comes from there.
class GioUrlSchemeRegistry : public UrlSchemeRegistry {
 public:
  bool hasHandler(const std::string& scheme) override;
  void open(const std::string& url, std::function<void(bool)> completion) override;
};

}  // namespace tarvel::detail
