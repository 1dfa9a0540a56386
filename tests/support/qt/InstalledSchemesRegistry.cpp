#include "InstalledSchemesRegistry.h"

#include <utility>  // move

#include "platform/UrlScheme.h"

namespace tarvel::test {

InstalledSchemesRegistry::InstalledSchemesRegistry(std::set<std::string> schemes)
    : schemes_(std::move(schemes)) {}

void InstalledSchemesRegistry::install(const std::string& scheme) {
  std::lock_guard<std::mutex> lock(mutex_);
  schemes_.insert(scheme);
}

void InstalledSchemesRegistry::uninstall(const std::string& scheme) {
  std::lock_guard<std::mutex> lock(mutex_);
  schemes_.erase(scheme);
}

void InstalledSchemesRegistry::setLaunchSucceeds(bool succeeds) {
  std::lock_guard<std::mutex> lock(mutex_);
  launchSucceeds_ = succeeds;
}

bool InstalledSchemesRegistry::hasHandler(const std::string& scheme) {
  std::lock_guard<std::mutex> lock(mutex_);
  probedSchemes_.push_back(scheme);
  return schemes_.count(scheme) > 0;
}

void InstalledSchemesRegistry::open(const std::string& url, std::function<void(bool)> completion) {
  bool launched = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (schemes_.count(detail::urlScheme(url)) > 0) {
      openedUrls_.push_back(url);
      launched = launchSucceeds_;
    }
  }
  if (completion) completion(launched);
}

std::vector<std::string> InstalledSchemesRegistry::openedUrls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return openedUrls_;
}

std::vector<std::string> InstalledSchemesRegistry::probedSchemes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return probedSchemes_;
}

}  // namespace tarvel::test
