// main() for test executables that need a QApplication (widgets run under the offscreen
// platform plugin, which the test runner selects).
#include <gtest/gtest.h>

#include <cstdlib>  // setenv

#include <QApplication>

#include "QtTestMain.h"

int main(int argc, char** argv) {
  // Also when ctest lists the tests, which it does without the tests' environment.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::shared_ptr<void> keepAlive = tarvel::test::prepareTestProcess();
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  return result;
}
