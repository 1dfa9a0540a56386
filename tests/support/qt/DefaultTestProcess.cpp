// The default start of a Qt test process: nothing to prepare. Alone in its file, so that an
// executable with its own prepareTestProcess() never links it.
#include "QtTestMain.h"

namespace tarvel::test {

std::shared_ptr<void> prepareTestProcess() { return nullptr; }

}  // namespace tarvel::test
