// A session bus that takes connections but never answers (a stopped
// dbus-daemon) does not keep the program from showing its window on a real X
// display, where Qt itself asks the bus about menus and the tray; the
// programs it starts still get the bus; and where there is no bus, none is
// launched.
#include <dirent.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/ProcessList.h"

#include "tests/e2e/ProgramProcess.h"
#include "tests/support/SessionBus.h"

namespace {

// Lets the stopped bus run on after `seconds` at the latest, so that nothing
// of the test waits on it beyond that, whichever way the test ends.
class Watchdog {
 public:
  Watchdog(const mvtest::PrivateSessionBus& bus, int seconds)
      : thread_([this, &bus, seconds] {
          std::unique_lock<std::mutex> lock(mutex_);
          done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return ended_; });
          bus.resume();
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool ended_ = false;
  std::thread thread_;
};

// The whole of a file under /proc, or "" when it cannot be read.
std::string procFile(int pid, const char* name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether the process's environment holds `entry` ("NAME=value").
bool environmentHolds(int pid, const std::string& entry) {
  const std::string environment = procFile(pid, "environ");
  return environment.rfind(entry + '\0', 0) == 0 || environment.find('\0' + entry + '\0') != std::string::npos;
}

// The program on an X display of its own.
class OnADisplay : public mvtest::ProgramProcess {
 protected:
  void SetUp() override {
    ProgramProcess::SetUp();
    ASSERT_FALSE(display.name().empty()) << "Xvfb could not be started";
  }
  // Starts the program and waits for its main window.
  bool startAndShow() {
    start(display.name());
    // Bounded by the clock, as each look at the display takes its own time.
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15); std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
      window = display.xdotool("search --onlyvisible --name '^Morvantis V'");
      if (!window.empty()) return true;
    }
    return false;
  }
  // Ends the program as a signal does: it ends cleanly.
  void endBySignal() {
    ASSERT_EQ(::kill(child, SIGTERM), 0);
    const int status = waitForEnd();
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  mvtest::VirtualDisplay display;
  std::string window;
};

// A session bus of the test's own, stopped before the program starts; its
// address is named in DBUS_SESSION_BUS_ADDRESS, which the program inherits.
class StoppedSessionBus : public OnADisplay {
 protected:
  void SetUp() override {
    OnADisplay::SetUp();
    ASSERT_FALSE(bus.address.isEmpty());
    ASSERT_TRUE(bus.stop());
    watchdog.emplace(bus, 60);
  }
  void TearDown() override {
    watchdog.reset();
    OnADisplay::TearDown();
  }

  mvtest::PrivateSessionBus bus;
  std::optional<Watchdog> watchdog;
};

TEST_F(StoppedSessionBus, TheWindowAppearsAndTheProgramEndsOnASignal) {
  ASSERT_TRUE(startAndShow()) << "no window while the session bus does not answer";
  endBySignal();
  EXPECT_NE(readText("Err.log").find("did not answer"), std::string::npos);
}

TEST_F(StoppedSessionBus, TheWindowAppearsWhereTheBusIsOnlyInTheRuntimeFolder) {
  // No address given: libdbus takes $XDG_RUNTIME_DIR/bus.
  mvtest::EnvironmentVariable runtime("XDG_RUNTIME_DIR", bus.folder().toStdString());
  mvtest::EnvironmentVariable noAddress("DBUS_SESSION_BUS_ADDRESS", "");
  ASSERT_TRUE(startAndShow()) << "no window while the session bus does not answer";
  endBySignal();
  EXPECT_NE(readText("Err.log").find("did not answer"), std::string::npos);
}

TEST_F(StoppedSessionBus, TheProgramsStartedGetTheBusTheProgramWasGivenAndTheRestOfTheEnvironmentAsItIs) {
  // The desktop's opener, as Help starts it: it writes down the environment
  // it got, and its bus address.
  writeText("opener/xdg-open", "#!/bin/sh\n/bin/cat /proc/$$/environ > \"$(dirname \"$0\")/environ\"\n"
                               "printf '%s' \"${DBUS_SESSION_BUS_ADDRESS-unset}\" > \"$(dirname \"$0\")/got\"\n");
  std::filesystem::permissions(native("opener/xdg-open"), std::filesystem::perms::owner_all);
  mvtest::EnvironmentVariable path("PATH", native("opener") + ":" + std::getenv("PATH"));
  // A value that is not UTF-8 (Linux values are bytes).
  mvtest::EnvironmentVariable bytes("MV_TEST_BYTES", "caf\xFC");

  ASSERT_TRUE(startAndShow());
  EXPECT_NE(readText("Err.log").find("did not answer"), std::string::npos);
  // F1 (Help) is pressed until the opener has run.
  ASSERT_TRUE(waitFor(
      [&] {
        display.xdotool("windowfocus --sync " + window + " key F1");
        return waitFor([&] { return std::filesystem::exists(native("opener/got")); }, 1);
      },
      20));
  std::string got;
  waitFor([&] { return !(got = readText("opener/got")).empty(); }, 5);
  EXPECT_EQ(got, bus.address.toStdString());
  const std::string environment = '\0' + readText("opener/environ");
  EXPECT_NE(environment.find(std::string("\0MV_TEST_BYTES=caf\xFC\0", 20)), std::string::npos) << environment;
  // The engine stand-in, started at start-up, got it too.
  const std::vector<int> engines = mv::platform::findProcessesByPath(native("Pellworth.exe"));
  ASSERT_FALSE(engines.empty());
  for (int pid : engines)
    EXPECT_TRUE(environmentHolds(pid, "DBUS_SESSION_BUS_ADDRESS=" + bus.address.toStdString()));
  endBySignal();
}

// The screen-saver mode of the automatic lock, with the screen saver on a
// bus still busy when the program starts: it answers three seconds later.
class SlowSessionBus : public OnADisplay {
 protected:
  void SetUp() override {
    OnADisplay::SetUp();
    ASSERT_FALSE(bus.address.isEmpty());
    ASSERT_TRUE(mv::WriteINI("AutoLock", "LockMode", "0", mv::strProgramMainFile, true));
    saver = std::make_unique<mvtest::TestScreenSaver>(bus.address, "/org/freedesktop/ScreenSaver", false);
    ASSERT_TRUE(saver->registered());
    ASSERT_TRUE(bus.stop());
    watchdog.emplace(bus, 60);
  }
  void TearDown() override {
    watchdog.reset();
    saver.reset();
    OnADisplay::TearDown();
  }

  mvtest::PrivateSessionBus bus;
  std::unique_ptr<mvtest::TestScreenSaver> saver;
  std::optional<Watchdog> watchdog;
};

TEST_F(SlowSessionBus, TheLockEngagesWhenTheScreenSaverStartsAfterTheBusAnswers) {
  ASSERT_TRUE(startAndShow());
  EXPECT_NE(readText("Err.log").find("did not answer"), std::string::npos);
  // Three seconds after the start is done: the program's first question has
  // been answered with no screen saver by then.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  bus.resume();
  // The program asks the screen saver within seconds, with no lock minute.
  ASSERT_TRUE(mvtest::processEventsUntil([&] { return saver->asked() >= 1; }));
  const std::string before = readText("System32/mvs.loaded");
  saver->setActive(true);
  EXPECT_TRUE(mvtest::processEventsUntil([&] { return readText("System32/mvs.loaded") != before; }))
      << "the rules were not changed when the screen saver started";
  endBySignal();
}

// No session bus at all: no address, no bus in the runtime folder.
class NoSessionBus : public OnADisplay {};

TEST_F(NoSessionBus, NoBusIsLaunched) {
  ASSERT_TRUE(std::filesystem::exists("/usr/bin/dbus-launch"))
      << "dbus-launch is not installed (scripts/setup.sh installs the package dbus-x11)";
  mvtest::EnvironmentVariable runtime("XDG_RUNTIME_DIR", "");
  mvtest::EnvironmentVariable noAddress("DBUS_SESSION_BUS_ADDRESS", "");
  // Marks the processes started from the program, whoever starts them.
  const std::string mark = "MV_TEST_MARK=" + std::to_string(::getpid()) + "-" + folder;
  mvtest::EnvironmentVariable marked("MV_TEST_MARK", mark.substr(mark.find('=') + 1));

  ASSERT_TRUE(startAndShow());
  // The tray and the menus are made by then; a moment more for the rest.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  std::vector<std::string> launched;
  if (DIR* proc = ::opendir("/proc")) {
    while (dirent* e = ::readdir(proc)) {
      const int pid = std::atoi(e->d_name);
      if (pid <= 0 || !environmentHolds(pid, mark)) continue;
      const std::string name = procFile(pid, "comm");
      if (name.rfind("dbus-", 0) != 0) continue;
      launched.push_back(name);
      ::kill(pid, SIGKILL);  // a slip's bus does not outlive the test
    }
    ::closedir(proc);
  }
  EXPECT_TRUE(launched.empty()) << launched.front();
  endBySignal();
}

}  // namespace
