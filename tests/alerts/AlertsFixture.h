#pragma once
// A program folder with the default settings files, the alert globals as
// start-up leaves them and a fixed date.
#include <string>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/Clock.h"
#include "programs/mdlProgramControl.h"
#include "tests/support/TestEnv.h"

namespace mvtest {

class AlertsTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
    mv::ResetAlertsAndLogsGlobals();
    mv::ResetProgramControlGlobals();
    setToday(2024, 3, 15);
    mv::strLogPath = mv::AppPath() + "\\logs\\Alertlog.txt";
    mv::AlertDay = 1;
    mv::AlertDays = 7;
  }
  void TearDown() override {
    mv::ResetAlertsAndLogsGlobals();
    mv::ResetProgramControlGlobals();
    ProgramFolderTest::TearDown();
  }
  static void setToday(int year, int month, int day) {
    mv::platform::setClock(mv::platform::DateTime{year, month, day, 10, 30, 0});
  }
  static std::string stored(const std::string& key) {
    return mv::ReadINI("Main", key, "", mv::strAlertsSettingFile, true);
  }
  static void store(const std::string& key, const std::string& value) {
    EXPECT_TRUE(mv::WriteINI("Main", key, value, mv::strAlertsSettingFile, true));
  }
};

}  // namespace mvtest
