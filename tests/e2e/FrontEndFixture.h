#pragma once
// The front end started on a program folder with the stand-in engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "alerts/frmTimeTemp.h"
#include "core/MDIMain.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Application.h"
#include "platform/Network.h"
#include "platform/ProcessList.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "tests/rules/RulesFixture.h"

namespace mvtest {

namespace fs = std::filesystem;
using namespace mv;

// The end of the program, as a test sees it.
struct ProgramEnded {};

// A program folder as an installer leaves it (no settings files yet), with
// the stand-in engine and fixed network interfaces; Main runs on it.
class FrontEndTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    // An empty program folder as an installer leaves it: no settings files.
    for (const auto& e : fs::directory_iterator(native("Profiles"))) fs::remove(e.path());
    fs::copy_file(MV_NET_EXE, native("System32/net"));
    fs::copy_file(MV_PELLWORTH_EXE, native("Pellworth.exe"));
    fs::create_directories(native("Logs"));
    strPassword.clear();
    blnLoggedIn = false;
    ASSERT_TRUE(setPassword(""));
    platform::setEndProgramHandler([] { throw ProgramEnded{}; });
    platform::setInterfaceAddresses([] {
      return std::optional<std::vector<platform::InterfaceAddress>>(
          std::vector<platform::InterfaceAddress>{{{192, 168, 5, 20}, {255, 255, 255, 0}},
                                                  {{10, 1, 0, 7}, {255, 255, 0, 0}}});
    });
    blnStarted = false;
  }
  void TearDown() override {
    delete TimerFormIfLoaded();
    UnloadMDIMain();
    platform::setEndProgramHandler(nullptr);
    platform::setInterfaceAddresses(nullptr);
    platform::releaseSingleInstance();
    platform::removeTerminationSignals();
    for (int pid : platform::findProcessesByPath(native("Pellworth.exe"))) platform::endProcess(pid);
    blnStarted = false;
    RulesTest::TearDown();
  }
  std::vector<std::string> settingsFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(native("Profiles"))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::file_time_type stamp(const std::string& f) const { return fs::last_write_time(native("Profiles/" + f)); }
};


}  // namespace mvtest
