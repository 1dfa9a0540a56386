#pragma once

#include <memory>  // shared_ptr

namespace tarvel::test {

/// Runs at the very start of the Qt tests' main() (QtTestMain.cpp), before the QApplication
/// exists and before anything reads the component's configuration: set environment variables
/// and application attributes, start servers. What it returns is kept alive until the tests
/// have run and the QApplication is gone.
///
/// A test executable that needs such a start defines this function in one of its own files;
/// the linker then leaves out the library's default, which does nothing.
std::shared_ptr<void> prepareTestProcess();

}  // namespace tarvel::test
