#include "entry/OpenOrders.h"

#include <mutex>  // mutex, lock_guard
#include <set>    // set

namespace tarvel::detail {
namespace {

struct Registry {
  std::mutex mutex;
  std::set<std::string> open;
};

// Never destroyed: a flow may end while the process runs its static destructors.
Registry& registry() {
  static auto* instance = new Registry;
  return *instance;
}

}  // namespace

bool OpenOrders::claim(const std::string& moid) {
  std::lock_guard<std::mutex> lock(registry().mutex);
  return registry().open.insert(moid).second;
}

void OpenOrders::release(const std::string& moid) {
  std::lock_guard<std::mutex> lock(registry().mutex);
  registry().open.erase(moid);
}

}  // namespace tarvel::detail
