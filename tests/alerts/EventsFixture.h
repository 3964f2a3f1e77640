#pragma once
// The alert globals as start-up leaves them, today's two engine logs written
// line by line, and the alert pop-up replaced by a counter (the pop-up's own
// tests show the real one).
#include <cstdio>
#include <string>
#include <vector>

#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlEventGlobals.h"
#include "alerts/mdlEventReader.h"
#include "alerts/mdlProcessEvents.h"
#include "core/FormHooks.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"
#include "tests/alerts/AlertsFixture.h"

namespace mvtest {

class EventsTest : public AlertsTest {
 protected:
  void SetUp() override {
    AlertsTest::SetUp();
    mv::InitProgramControl();
    mv::initConstantPortList();
    mv::arrAlertLabels = {"Protected", "New Program", "Repeat Program", "Server Program", "Access Program", "Blocked"};
    mv::strLogSeparator = ",";
    mv::AlertEvent = 1;
    mv::ProgramLog = 1;
    mv::ControlLevel = 2;
    mv::ShowAlertOnInternetAccess = true;
    mv::DefaultAccessTrusted = mv::AccessAllow;
    mv::DefaultAccessInternet = mv::AccessAsk;
    mv::DefaultServerTrusted = mv::AccessAsk;
    mv::DefaultServerInternet = mv::AccessBlock;
    mv::blnQTRLogWritable = 1;
    mv::blnLogFileWritable = 1;
    writeText("logs/Alertlog.txt", "");
    writeText("Profiles/qtrLogs.MVL", "");
    mv::hooks::ShowAlertPopup = [this] {
      ++popups;
      return popupUp;
    };
  }
  void TearDown() override {
    mv::hooks::ShowAlertPopup = nullptr;
    AlertsTest::TearDown();
  }

  static std::string logName(bool second, const std::string& day = "20240315") {
    return "System32/logfiles/mvd/" + day + (second ? "i.log" : ".log");
  }
  // Appends "key=value" under the line number, starting the log when needed.
  void addLine(long number, const std::string& value, bool second = false,
               const std::string& day = "20240315") const {
    std::string text = readText(logName(second, day));
    if (text.empty()) text = "[Logs]\r\n";
    char key[24];
    std::snprintf(key, sizeof key, "%010ld", number);
    writeText(logName(second, day), text + key + "=" + value + "\r\n");
  }
  // The process IDs in the running-process list, in order.
  static std::vector<std::string> pids() {
    std::vector<std::string> out;
    for (std::size_t i = 1; i < mv::arrProcessList.size(); ++i) out.push_back(mv::arrProcessList[i].PID);
    return out;
  }
  static std::string np(const std::string& pid, const std::string& path = "/opt/app/run") {
    return "10:00:00,NP," + pid + "," + path;
  }
  // A packet line: action, protocol, direction, source, destination, program.
  static std::string packet(int action, int protocol, int direction, const std::string& source,
                            const std::string& destination, const std::string& program,
                            const std::string& sourcePort = "1025", const std::string& destPort = "25",
                            const std::string& pid = "77") {
    return "10:15:30," + std::to_string(action) + "," + std::to_string(protocol) + "," + std::to_string(direction) +
           "," + source + "," + destination + "," + program + ",Engine text,0," + sourcePort + "," + destPort + "," +
           pid;
  }
  // Today's plain log and the unscrambled lines of qtrLogs.MVL.
  std::string plainLog() const { return readText("logs/Alertlog.txt"); }
  std::vector<std::string> qtrLines() const {
    std::vector<std::string> out;
    std::string text = readText("Profiles/qtrLogs.MVL");
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      out.push_back(mv::QtrLogLineText(text.substr(pos, end - pos)));
      pos = end + 2;
    }
    return out;
  }
  std::string errLog() const { return readText("Err.log"); }

  int popups = 0;
  bool popupUp = true;
};

}  // namespace mvtest
