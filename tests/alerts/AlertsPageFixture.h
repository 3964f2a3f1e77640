#pragma once
// The alert log as the alert queue writes it (one scrambled line per alert),
// and the alert settings as start-up leaves them.
#include <cstdio>
#include <string>
#include <vector>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "tests/alerts/AlertsFixture.h"

namespace mvtest {

// The text of alert number n: each later by a minute, its program "prog<n>".
inline std::string alertText(int n, const std::string& count = "1") {
  char time[32];
  std::snprintf(time, sizeof time, "%02d:%02d:00", 8 + n / 60, n % 60);
  return "High,2024/03/15 " + std::string(time) + ",Deny,TCP,Outgoing,10.0.0.1:1025,10.1.2." + std::to_string(n) +
         ":25,prog" + std::to_string(n) + ",Protected,1025,25," + count;
}

class AlertsPageTest : public AlertsTest {
 protected:
  void SetUp() override {
    AlertsTest::SetUp();
    mv::AlertEvent = 1;
    mv::ProgramLog = 1;
    mv::AlertOn = true;
    mv::strLogSeparator = ",";
    mv::strPassword.clear();
    mv::blnLoggedIn = false;
  }
  void TearDown() override {
    mv::strPassword.clear();
    mv::blnLoggedIn = false;
    AlertsTest::TearDown();
  }
  // Writes the texts to qtrLogs.MVL, each scrambled with the log key.
  void writeAlertLog(const std::vector<std::string>& texts) const {
    std::string bytes;
    for (const auto& t : texts) bytes += mv::EncryptString(t, mv::PasswordKey) + "\r\n";
    writeText("Profiles/qtrLogs.MVL", bytes);
  }
  void writeAlerts(int from, int to) const {
    std::vector<std::string> texts;
    for (int n = from; n <= to; ++n) texts.push_back(alertText(n));
    writeAlertLog(texts);
  }
};

}  // namespace mvtest
