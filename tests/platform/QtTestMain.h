#pragma once

#include <memory>  // shared_ptr

namespace tarvel::test {

/// Runs at the very start of main(), before the QApplication exists and before anything reads
/// the component's configuration: set environment variables, start servers. Each test
/// executable that uses QtTestMain.cpp defines it; what it returns is kept alive until the
/// tests have run and the QApplication is gone.
std::shared_ptr<void> prepareTestProcess();

}  // namespace tarvel::test
