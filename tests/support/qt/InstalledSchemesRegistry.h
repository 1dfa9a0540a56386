#pragma once

#include <mutex>   // mutex
#include <set>     // set
#include <string>  // string
#include <vector>  // vector

#include "platform/UrlSchemeRegistry.h"

namespace tarvel::test {

/// A registry that knows a fixed set of schemes and records the URLs it is asked to open,
/// without launching anything: the installed applications of a test. Install it with
/// `detail::Application::setUrlSchemeRegistry`.
class InstalledSchemesRegistry : public detail::UrlSchemeRegistry {
 public:
  explicit InstalledSchemesRegistry(std::set<std::string> schemes = {});

  void install(const std::string& scheme);
  void uninstall(const std::string& scheme);
  /// What `open` reports for a URL whose scheme is installed (true unless told otherwise).
  void setLaunchSucceeds(bool succeeds);

  bool hasHandler(const std::string& scheme) override;
  /// Records `url` when its scheme is installed and reports the launch result at once.
  void open(const std::string& url, std::function<void(bool)> completion) override;

  /// The URLs handed to an installed application, in order.
  std::vector<std::string> openedUrls() const;
  /// The schemes asked about through `hasHandler`, in order.
  std::vector<std::string> probedSchemes() const;

 private:
  mutable std::mutex mutex_;
  std::set<std::string> schemes_;
  bool launchSucceeds_ = true;
  std::vector<std::string> openedUrls_;
  std::vector<std::string> probedSchemes_;
};

}  // namespace tarvel::test
