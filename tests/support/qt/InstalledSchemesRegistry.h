#pragma once

#include <functional>  // function
#include <mutex>       // mutex, lock_guard
#include <set>         // set
#include <string>      // string
#include <utility>     // move
#include <vector>      // vector

#include "platform/UrlScheme.h"
#include "platform/UrlSchemeRegistry.h"

namespace tarvel::test {

/// A registry that knows a fixed set of schemes and records the URLs it is asked to open,
/// without launching anything: the installed applications of a test. Install it with
/// `detail::Application::setUrlSchemeRegistry`. Thread-safe.
class InstalledSchemesRegistry : public detail::UrlSchemeRegistry {
 public:
  explicit InstalledSchemesRegistry(std::set<std::string> schemes = {})
      : schemes_(std::move(schemes)) {}

  void install(const std::string& scheme) {
    locked([&] { schemes_.insert(scheme); });
  }
  void uninstall(const std::string& scheme) {
    locked([&] { schemes_.erase(scheme); });
  }
  /// What `open` reports for a URL whose scheme is installed (true unless told otherwise).
  void setLaunchSucceeds(bool succeeds) {
    locked([&] { launchSucceeds_ = succeeds; });
  }

  bool hasHandler(const std::string& scheme) override {
    return locked([&] {
      probedSchemes_.push_back(scheme);
      return schemes_.count(scheme) > 0;
    });
  }
  /// Records `url` when its scheme is installed and reports the launch result at once.
  void open(const std::string& url, std::function<void(bool)> completion) override {
    const bool launched = locked([&] {
      if (schemes_.count(detail::urlScheme(url)) == 0) return false;
      openedUrls_.push_back(url);
      return launchSucceeds_;
    });
    if (completion) completion(launched);
  }

  /// The URLs handed to an installed application, in order.
  std::vector<std::string> openedUrls() const {
    return locked([&] { return openedUrls_; });
  }
  /// The schemes asked about through `hasHandler`, in order.
  std::vector<std::string> probedSchemes() const {
    return locked([&] { return probedSchemes_; });
  }

 private:
  template <typename Work>
  auto locked(Work work) const -> decltype(work()) {
    std::lock_guard lock(mutex_);
    return work();
  }

  mutable std::mutex mutex_;
  std::set<std::string> schemes_;
  bool launchSucceeds_ = true;
  std::vector<std::string> openedUrls_;
  std::vector<std::string> probedSchemes_;
};

}  // namespace tarvel::test
