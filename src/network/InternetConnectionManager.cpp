#include "tarvel/InternetConnectionManager.h"

#include <exception>  // exception
#include <memory>     // shared_ptr, make_shared
#include <mutex>      // mutex, lock_guard
#include <utility>    // move

#include "network/RouteTable.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

struct ProbeSlot {
  std::mutex mutex;
  std::shared_ptr<const InternetConnectionManager::Probe> probe;  // null: the system's
};

ProbeSlot& probeSlot() {
  static ProbeSlot slot;
  return slot;
}

std::shared_ptr<const InternetConnectionManager::Probe> currentProbe() {
  auto& slot = probeSlot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  return slot.probe;
}

}  // namespace

bool InternetConnectionManager::isConnected(uint32_t flags) {
  bool reachable = (flags & kReachable) != 0;
  bool needsConnection = (flags & kConnectionRequired) != 0;
  return reachable && !needsConnection;
}

bool InternetConnectionManager::isConnectedToNetwork() {
  std::optional<uint32_t> flags;
  try {
    // The probe runs outside the lock, so a slow probe never blocks `setProbe`.
    auto probe = currentProbe();
    flags = probe ? (*probe)() : detail::systemReachability();
  } catch (const std::exception& error) {
    log(LogLevel::warning, std::string("Reachability probe failed: ") + error.what());
    return false;
  }
  return flags.has_value() && isConnected(*flags);
}

void InternetConnectionManager::setProbe(Probe probe) {
  auto next = probe ? std::make_shared<const Probe>(std::move(probe)) : nullptr;
  auto& slot = probeSlot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.probe = std::move(next);
}

}  // namespace tarvel
