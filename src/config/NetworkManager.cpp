#include "tarvel/NetworkManager.h"

#include <atomic>  // atomic

namespace tarvel {
namespace {

std::atomic<Environment>& currentEnvironment() {
  static std::atomic<Environment> environment{Environment::staging};
  return environment;
}

}  // namespace

Environment NetworkManager::environment() { return currentEnvironment().load(); }

void NetworkManager::setEnvironment(Environment environment) {
  currentEnvironment().store(environment);
}

}  // namespace tarvel
