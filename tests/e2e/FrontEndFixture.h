#pragma once
// A program folder laid out as an installer leaves it, with the stand-in
// engine (net in the system directory, Pellworth.exe beside the program), an
// empty settings password and two network interfaces; the program's end is
// an exception the test can expect. Every window the front end opened is
// closed afterwards.
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "alerts/frmTimeTemp.h"
#include "core/MDIMain.h"
#include "core/mdlLogin.h"
#include "platform/Application.h"
#include "platform/Network.h"
#include "platform/ProcessList.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "tests/rules/RulesFixture.h"

extern "C" char** environ;

namespace mvtest {

struct ProgramEnded {};

class FrontEndTest : public RulesTest {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    RulesTest::SetUp();
    fs::copy_file(MV_NET_EXE, native("System32/net"));
    fs::copy_file(MV_PELLWORTH_EXE, native("Pellworth.exe"));
    fs::create_directories(native("Logs"));
    mv::strPassword.clear();
    mv::blnLoggedIn = false;
    ASSERT_TRUE(mv::setPassword(""));
    mv::platform::setEndProgramHandler([] { throw ProgramEnded{}; });
    mv::platform::setInterfaceAddresses([] {
      return std::optional<std::vector<mv::platform::InterfaceAddress>>(
          std::vector<mv::platform::InterfaceAddress>{{{192, 168, 5, 20}, {255, 255, 255, 0}},
                                                      {{10, 1, 0, 7}, {255, 255, 0, 0}}});
    });
    mv::blnStarted = false;
  }
  void TearDown() override {
    delete mv::TimerFormIfLoaded();
    mv::UnloadMDIMain();
    mv::platform::setEndProgramHandler(nullptr);
    mv::platform::setInterfaceAddresses(nullptr);
    mv::platform::releaseSingleInstance();
    mv::platform::removeTerminationSignals();
    for (int pid : mv::platform::findProcessesByPath(native("Pellworth.exe"))) mv::platform::endProcess(pid);
    mv::blnStarted = false;
    RulesTest::TearDown();
  }
  // Runs the engine's event tool on the program folder's system directory:
  // it appends an event of `fields` at 10:15:30 to the logs of `day`
  // ("yyyymmdd"). Its exit code.
  int engineEvent(const std::string& day, std::vector<std::string> fields) {
    std::vector<std::string> words{MV_EVENT_EXE, native("System32"), "--day", day, "--date", "10:15:30"};
    words.insert(words.end(), fields.begin(), fields.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, MV_EVENT_EXE, nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

}  // namespace mvtest
