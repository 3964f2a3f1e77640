// Test main: a QApplication on the offscreen platform, so forms run headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "core/FormSeams.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  mv::InstallFormSeams();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
