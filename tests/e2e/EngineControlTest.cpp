// Apply, Lock, Stop and the restore at exit against the stand-in engine.
#include <gtest/gtest.h>

#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <filesystem>
#include <thread>

#include "core/FormHooks.h"
#include "core/mdlLogin.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/ProcessList.h"
#include "rules/EngineState.h"
#include "rules/NetworkCommands.h"
#include "tests/rules/RulesFixture.h"
#include "tests/support/FolderLockHolder.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {
struct ProgramEnded {};
}  // namespace

class EngineControl : public mvtest::RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    fs::copy_file(MV_NET_EXE, native("System32/net"));
    fs::copy_file(MV_PELLWORTH_EXE, native("Pellworth.exe"));
    SystemTray = 1;
    hooks::TrayImage = [this](int image) { trayImages.push_back(image); };
    hooks::TrayLockCheck = [this](bool c) { trayLock = c; };
    hooks::TrayStopCheck = [this](bool c) { trayStop = c; };
    hooks::LockButton = [this](int, const std::string& caption) { lockCaption = caption; };
    platform::setEndProgramHandler([] { throw ProgramEnded{}; });
  }
  void TearDown() override {
    hooks::TrayImage = nullptr;
    hooks::TrayLockCheck = nullptr;
    hooks::TrayStopCheck = nullptr;
    hooks::LockButton = nullptr;
    hooks::MainBusy = nullptr;
    platform::setEndProgramHandler(nullptr);
    for (int pid : pellworths()) platform::endProcess(pid);
    RulesTest::TearDown();
  }
  std::vector<int> pellworths() const { return platform::findProcessesByPath(native("Pellworth.exe")); }
  std::string state() const { return readText("System32/mvs.state"); }
  // A file's inode: a replace of the file gives it a new one.
  ino_t inode(const std::string& relative) const {
    struct stat st {};
    return ::stat(native(relative).c_str(), &st) == 0 ? st.st_ino : 0;
  }
  std::string loaded() const { return readText("System32/mvs.loaded"); }
  int pellworthStarts() const {
    std::string s = readText("Pellworth.starts");
    return s.empty() ? 0 : std::stoi(s);
  }
  // Pellworth.exe counts its start once it runs; wait for that a bounded time.
  void waitForStarts(int n) const {
    for (int i = 0; i < 200 && pellworthStarts() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  std::vector<int> trayImages;
  bool trayLock = false, trayStop = false;
  std::string lockCaption;
};

TEST_F(EngineControl, ApplyRestartsTheEngineOnTheNewRuleFile) {
  ASSERT_TRUE(ReStartService());
  EXPECT_NE(state().find("running"), std::string::npos);
  EXPECT_EQ(loaded(), ruleFile());
  EXPECT_NE(loaded().find("[_Options]\r\n"), std::string::npos);
  EXPECT_EQ(trayImages, std::vector<int>{trayNormal});
  EXPECT_EQ(lockCaption, "Lock");
  EXPECT_TRUE(messages.empty());
  // A second Apply stops the running service first, then starts it again.
  arrBlockedEntries = {"10.1.1.1"};
  ASSERT_TRUE(ReStartService());
  EXPECT_NE(loaded().find("FROM 10.1.1.1 TO ANY"), std::string::npos);
  EXPECT_FALSE(fs::exists(native("Pipe.log")));
}

TEST_F(EngineControl, LockAndStopShowTheirStateOnlyWhenCarriedOut) {
  ASSERT_TRUE(LockNetwork());
  EXPECT_NE(loaded().find("_Default=LocalNet BlockedAll\r\n"), std::string::npos);
  EXPECT_TRUE(trayLock);
  EXPECT_TRUE(blnNetworkLocked);
  EXPECT_EQ(trayImages.back(), trayLocked);
  EXPECT_EQ(lockCaption, "Unlock");

  ASSERT_TRUE(StopNetwork());
  EXPECT_EQ(loaded(), golden("stop_template.conf"));
  EXPECT_TRUE(trayStop);
  EXPECT_TRUE(blnNetworkStopped);
  EXPECT_EQ(trayImages.back(), trayStopped);

  ASSERT_TRUE(ReStartService());
  EXPECT_FALSE(trayLock);
  EXPECT_FALSE(trayStop);
  EXPECT_FALSE(blnNetworkLocked || blnNetworkStopped);
}

TEST_F(EngineControl, ARefusedStartIsRetriedLoggedAndReported) {
  writeText("System32/mvs.state", "running");
  writeText("System32/mvs.fail", "stop start");
  EXPECT_FALSE(LockNetwork());
  std::string pipe = readText("Pipe.log");
  EXPECT_NE(pipe.find("could not be stopped"), std::string::npos);
  size_t first = pipe.find("could not be started");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(pipe.find("could not be started", first + 1), std::string::npos);  // the retry's start
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Morvantis service is not started properly. \r\nPlease click on 'Apply' button.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_FALSE(blnApplying);
  EXPECT_TRUE(blnReadEvents);
}

// Whatever the command, a service that did not start leaves the engine
// stopped, and that is what the tray, button 5 and the tray checks show.
TEST_F(EngineControl, AFailedServiceStartShowsTheStoppedState) {
  struct Case {
    const char* name;
    std::function<bool()> command;
  };
  const Case cases[] = {{"Apply", [] { return ReStartService(); }},
                        {"Lock", [] { return LockNetwork(); }},
                        {"Stop", [] { return StopNetwork(); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Start from a normal, running engine.
    fs::remove(native("System32/mvs.fail"));
    ASSERT_TRUE(ReStartService());
    ASSERT_EQ(CurrentEngineState(), EngineState::Normal);
    ASSERT_FALSE(trayLock || trayStop);
    messages.clear();
    trayImages.clear();

    writeText("System32/mvs.fail", "start");
    EXPECT_FALSE(c.command());
    EXPECT_EQ(state().find("running"), std::string::npos);
    EXPECT_EQ(CurrentEngineState(), EngineState::Stopped);
    EXPECT_TRUE(blnNetworkStopped);
    ASSERT_FALSE(trayImages.empty());
    EXPECT_EQ(trayImages.back(), trayStopped);
    EXPECT_EQ(lockCaption, "Unlock");
    EXPECT_TRUE(trayStop);
    EXPECT_TRUE(trayLock);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(blnApplying);
  }
  // Apply brings the normal state back once the service starts again.
  fs::remove(native("System32/mvs.fail"));
  ASSERT_TRUE(ReStartService());
  EXPECT_EQ(trayImages.back(), trayNormal);
  EXPECT_EQ(lockCaption, "Lock");
  EXPECT_FALSE(trayLock || trayStop);
}

TEST_F(EngineControl, TheAutomaticLockEngagesBehindAStoredPassword) {
  strPassword = "secret";
  blnLoggedIn = false;
  EXPECT_TRUE(LockNetwork(false));
  EXPECT_TRUE(blnNetworkLocked);
  EXPECT_TRUE(StopNetwork(false));
  EXPECT_TRUE(blnNetworkStopped);
  EXPECT_FALSE(blnLoggedIn);  // the gate was passed by, not opened
  strPassword.clear();
}

TEST_F(EngineControl, ANotStartedServiceGetsOneStartWithoutRetry) {
  writeText("System32/mvs.fail", "start");
  EXPECT_FALSE(ReStartService());
  std::string pipe = readText("Pipe.log");
  size_t first = pipe.find("could not be started");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(pipe.find("could not be started", first + 1), std::string::npos);
  EXPECT_EQ(pipe.find("is not started."), std::string::npos);  // a good stop is not logged
}

TEST_F(EngineControl, PellworthIsRestartedOnlyWithProgramControlAndEndedAtExit) {
  ControlLevel = 0;
  ASSERT_TRUE(ReStartService());
  EXPECT_TRUE(pellworths().empty());

  ControlLevel = 2;
  ASSERT_TRUE(ReStartService());
  waitForStarts(1);
  EXPECT_EQ(pellworthStarts(), 1);
  EXPECT_EQ(pellworths().size(), 1u);
  ASSERT_TRUE(ReStartService());
  waitForStarts(2);
  EXPECT_EQ(pellworthStarts(), 2);
  EXPECT_EQ(pellworths().size(), 1u);  // the old one was ended

  ASSERT_TRUE(RestoreDefaultRules());
  Pellworth(false);
  EXPECT_TRUE(pellworths().empty());
  EXPECT_EQ(ruleFile(), golden("exit_template.conf"));
  EXPECT_NE(state().find("stopped"), std::string::npos);
}

TEST_F(EngineControl, AMissingPellworthEndsTheProgramWithItsMessage) {
  ControlLevel = 2;
  fs::remove(native("Pellworth.exe"));
  EXPECT_THROW(ReStartService(), ProgramEnded);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].prompt, "Some files are missing.\r\nPlease reinstall the Morvantis");
  blnApplying = false;
}

TEST_F(EngineControl, CommandsAreRefusedWhileAnApplyIsUnderWay) {
  blnStarted = true;
  bool lockDuringApply = true, stopDuringApply = true, applyDuringApply = true;
  hooks::MainBusy = [&](bool busy) {
    if (!busy) return;
    lockDuringApply = LockNetwork();
    stopDuringApply = StopNetwork();
    applyDuringApply = ReStartService();
  };
  ASSERT_TRUE(ReStartService());
  blnStarted = false;
  EXPECT_FALSE(lockDuringApply);
  EXPECT_FALSE(stopDuringApply);
  EXPECT_FALSE(applyDuringApply);
  EXPECT_FALSE(trayLock);
  EXPECT_FALSE(blnApplying);
}

TEST_F(EngineControl, WhileAnotherProgramHoldsTheSettingsNoCommandReplacesTheRuleFileOrRestartsTheEngine) {
  ASSERT_TRUE(ReStartService());
  const std::string rules = ruleFile(), loadedRules = loaded();
  const ino_t ruleFileInode = inode("System32/drivers/etc/mvd.conf"), stateInode = inode("System32/mvs.state");
  trayImages.clear();
  // Held past the wait, as by a program that hung in its write.
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  const std::string told =
      "The rules could not be saved: another Morvantis program is saving the settings.\r\n"
      "The engine keeps the rules it has.";
  // Apply (and Lock, which writes through the same road) waits for it; a
  // Stop later in the same turn of events does not wait again.
  EXPECT_FALSE(ReStartService());
  ASSERT_EQ(messages.size(), 1u) << readText("Err.log");
  EXPECT_EQ(messages[0].prompt, told);
  EXPECT_FALSE(StopNetwork());
  ASSERT_EQ(messages.size(), 2u) << readText("Err.log");
  EXPECT_EQ(messages[1].prompt, told);
  EXPECT_EQ(ruleFile(), rules);
  EXPECT_EQ(inode("System32/drivers/etc/mvd.conf"), ruleFileInode);
  // The engine was neither stopped nor started: it keeps its rules.
  EXPECT_EQ(inode("System32/mvs.state"), stateInode);
  EXPECT_EQ(loaded(), loadedRules);
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);
  EXPECT_TRUE(trayImages.empty());
  // Exit stops the engine all the same, and leaves the last rules in the
  // file, logged.
  EXPECT_FALSE(RestoreDefaultRules());
  EXPECT_EQ(inode("System32/drivers/etc/mvd.conf"), ruleFileInode);
  EXPECT_NE(state().find("stopped"), std::string::npos);
  EXPECT_NE(readText("Err.log").find("RestoreDefaultRules of mdlDefineRules"), std::string::npos);
  EXPECT_TRUE(holder.release());
}

TEST_F(EngineControl, ApplyBesideAChangeStoppedHalfWayWaitsForItAndWritesRulesOfTheWholeChange) {
  intInternetZoneLevel = 2;
  // Another program adds a port to the outgoing TCP and the outgoing UDP
  // list of the Internet zone's Medium level (custom rows 0037 and 0035) in
  // one change, and stops between the two tables.
  auto addPort = [](long table, const std::string& port, const std::string& row) {
    return Write_MorvantisNewData(table, getNextLineNo(table), {"3", "2", "1", port, port, row}, true);
  };
  mvtest::FolderLockHolder other([&] { return addPort(Database_TCPPorts, "1111", "0037"); },
                                 [&] { return addPort(Database_UDPPorts, "2222", "0035"); });
  ASSERT_TRUE(other.held());
  std::thread letGo([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(other.release());
  });
  const bool applied = ReStartService();
  letGo.join();
  ASSERT_TRUE(applied);
  EXPECT_NE(loaded().find("DENY TCP OUT FROM ANY TO ANY:1111 "), std::string::npos);
  EXPECT_NE(loaded().find("DENY UDP OUT FROM ANY TO ANY:2222 "), std::string::npos);
  EXPECT_TRUE(messages.empty());
}

TEST_F(EngineControl, ApplyRunsNoWindowEventsWhileItHoldsTheSettingsLock) {
  // Made while nothing holds the lock; asked from the events that run
  // during the Apply, as a dialog opened then would keep another program.
  mvtest::FolderLockProbe otherProgram;
  int ran = 0, ranWhileHeld = 0;
  QTimer tick;
  tick.setInterval(0);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (!blnApplying) return;
    ++ran;
    if (!otherProgram.lockFree()) ++ranWhileHeld;
  });
  tick.start();
  blnStarted = true;
  const bool applied = ReStartService();
  blnStarted = false;
  tick.stop();
  ASSERT_TRUE(applied);
  EXPECT_GT(ran, 0);
  EXPECT_EQ(ranWhileHeld, 0);
}
