#pragma once
// The front end as its own process on the test's program folder: started
// from a copy of the built program, watched through the stand-in engine's
// files, and killed afterwards if a test left it running. A virtual X display
// of its own lets a test type into the running program's windows.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/FrontEndFixture.h"

extern char** environ;

namespace mvtest {

// An Xvfb server on a free display number, ended with the object.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    // The server writes its display number to the write end, which it must
    // inherit; the read end stays ours.
    ::fcntl(fds[1], F_SETFD, 0);
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "Xvfb", &quiet, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&quiet);
    ::close(fds[1]);
    std::string number;
    char c = 0;
    pollfd p{fds[0], POLLIN, 0};
    while (pid_ > 0 && ::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // ":N", or empty when the server did not start.
  const std::string& name() const { return name_; }

  // Runs "xdotool <arguments>" on this display and gives its first output
  // line (a window's number for a search), or "" when it printed nothing.
  std::string xdotool(const std::string& arguments) const {
    std::string line;
    FILE* out = ::popen(("DISPLAY=" + name_ + " xdotool " + arguments + " 2>/dev/null").c_str(), "r");
    if (!out) return line;
    int c;
    while ((c = std::fgetc(out)) != EOF && c != '\n') line += static_cast<char>(c);
    while (std::fgetc(out) != EOF) {
    }
    ::pclose(out);
    return line;
  }

 private:
  pid_t pid_ = 0;
  std::string name_;
};

class ProgramProcess : public FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    installDefaults();
    std::filesystem::copy_file(MV_MORVANTIS_EXE, native("Morvantis"));
  }
  void TearDown() override {
    if (child > 0 && ::waitpid(child, nullptr, WNOHANG) == 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
    }
    FrontEndTest::TearDown();
  }
  // Starts the program on the offscreen platform, or on `display` when one
  // is given.
  void start(const std::string& display = "") {
    std::string exe = native("Morvantis");
    char* argv[] = {exe.data(), nullptr};
    std::vector<std::string> settings;
    for (char** e = environ; *e; ++e) {
      std::string s = *e;
      if (s.rfind("QT_QPA_PLATFORM=", 0) != 0 && s.rfind("DISPLAY=", 0) != 0) settings.push_back(s);
    }
    settings.push_back(display.empty() ? "QT_QPA_PLATFORM=offscreen" : "QT_QPA_PLATFORM=xcb");
    if (!display.empty()) settings.push_back("DISPLAY=" + display);
    std::vector<char*> envp;
    for (std::string& s : settings) envp.push_back(s.data());
    envp.push_back(nullptr);
    ASSERT_EQ(::posix_spawn(&child, exe.c_str(), nullptr, nullptr, argv, envp.data()), 0);
  }
  template <class Condition>
  static bool waitFor(Condition done, int seconds = 30) {
    for (int i = 0; i < seconds * 100; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }
  // The exit status once the process has ended within the time, else -1.
  int waitForEnd() {
    int status = 0;
    if (!waitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; })) return -1;
    child = 0;
    return status;
  }
  bool running() const {
    return readText("System32/mvs.state").find("running") != std::string::npos &&
           !mv::platform::findProcessesByPath(native("Pellworth.exe")).empty();
  }
  pid_t child = 0;
};

}  // namespace mvtest
