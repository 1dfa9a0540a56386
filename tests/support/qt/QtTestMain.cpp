// main() for every Qt test executable: GoogleTest over a QApplication on the offscreen
// platform, after the executable's prepareTestProcess().
#include "QtTestMain.h"

#include <cstdlib>  // setenv

#include <QApplication>

#include <gtest/gtest.h>

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
