// The OTP screen tests' process: nothing to prepare before the application object exists;
// each test installs its own clock, service and reachability answer.
#include <memory>  // shared_ptr

#include "QtTestMain.h"

namespace tarvel::test {

std::shared_ptr<void> prepareTestProcess() { return nullptr; }

}  // namespace tarvel::test
