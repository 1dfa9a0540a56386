// GoogleTest over a real QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>  // QApplication

int main(int argc, char** argv) {
  // Test discovery runs the executable without the test's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
