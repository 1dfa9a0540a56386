#include "tarvel/AnalyticsEnvironment.h"

#include <chrono>  // system_clock, duration

#include <sys/utsname.h>  // uname, utsname

#include "tarvel/DeviceModel.h"

namespace tarvel {
namespace {

std::string kernelRelease() {
  utsname names{};
  if (uname(&names) != 0) return {};
  return names.release;
}

// The kernel does not change under a running process, so it is asked once.
const std::string& runningKernelRelease() {
  static const std::string version = kernelRelease();
  return version;
}

double secondsSinceEpoch() {
  using Seconds = std::chrono::duration<double>;
  return std::chrono::duration_cast<Seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

AnalyticsEnvironment AnalyticsEnvironment::current() {
  return AnalyticsEnvironment{secondsSinceEpoch(), runningKernelRelease(), tarvel::modelName()};
}

}  // namespace tarvel
