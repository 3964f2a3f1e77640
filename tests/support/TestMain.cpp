// Test main: a QApplication on the offscreen platform, so forms run headless,
// and a temporary folder for the user's desktop settings, so that no test
// (nor a program it starts) writes the real ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "core/FormSeams.h"
#include "tests/support/SessionBus.h"
#include "tests/support/TestEnv.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const mvtest::TemporaryConfigHome configHome;
  // No test reaches the desktop's own session bus; a test that needs one
  // starts its own.
  setenv("DBUS_SESSION_BUS_ADDRESS", mvtest::kNoSessionBus, 1);
  QApplication app(argc, argv);
  mv::InstallFormSeams();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
