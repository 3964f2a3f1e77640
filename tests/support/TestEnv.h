#pragma once
// A fresh program folder for each test, with the path globals pointing into
// it, and message boxes answered by script instead of shown.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace mvtest {

struct ShownMessage {
  std::string prompt;
  int buttons;
  std::string title;
};

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Native path of a file under the program folder ("Profiles/MVDB.MVL").
  std::string native(const std::string& relative) const;
  std::string readText(const std::string& relative) const;
  void writeText(const std::string& relative, const std::string& text) const;
  // A runnable script under the program folder whose first line is "#!" &
  // `interpreter` ("/bin/sh", "/usr/bin/env tool"); run, it writes one line
  // and waits for its input to end. Its native path.
  std::string writeScript(const std::string& relative, const std::string& interpreter) const;
  // Copies the built-in defaults of all settings files into Profiles.
  void installDefaults() const;

  std::string folder;
  std::vector<ShownMessage> messages;
  std::deque<int> answers;  // answers to give, in order; OK when empty
};

// Puts the program-control, component and alert globals back to their start
// values and sets the program-control texts, as start-up does.
void resetStoreGlobals();

// Puts every module's globals and every replaceable platform function back
// to their start values (the test base does it before each test).
void resetAllGlobals();

// Runs the program at `nativePath` (with `pathVariable` as its PATH unless
// empty) until it has written its first line, and gives the executable that
// /proc/PID/exe names for the process then, as the engine names it; "" when
// it did not run. The process is ended before the call returns.
std::string runningExecutable(const std::string& nativePath, const std::string& pathVariable = "");

// Reads a whole file (native path).
std::string slurp(const std::string& nativePath);

// While it lives, the environment variable `name` holds `value`; the value
// before comes back after it.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const std::string& value);
  ~EnvironmentVariable();
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

 private:
  const char* name_;
  std::string saved_;
};

// While it lives, the program search path names no folder, so no desktop
// program (opener, text viewer) can be started.
class NoProgramsOnPath : EnvironmentVariable {
 public:
  NoProgramsOnPath() : EnvironmentVariable("PATH", "/nonexistent") {}
};

// While it lives, the program search path names only a folder whose one
// program is an "xdg-open" that ends with exit code 3, as the desktop's
// opener does when it finds no handler. A held opener runs on until
// release() (or half a minute), as an opener does while its browser runs.
class FailingOpener {
 public:
  explicit FailingOpener(bool held = false);
  ~FailingOpener();
  FailingOpener(const FailingOpener&) = delete;
  FailingOpener& operator=(const FailingOpener&) = delete;
  void release() const;
  // It has been started (and has not necessarily ended).
  bool started() const;

 private:
  std::string folder_;
  EnvironmentVariable path_;
};

// Lets window events run until the condition holds, for at most ten
// seconds; false when it never did.
bool processEventsUntil(const std::function<bool()>& condition);

// A fresh folder for the user's desktop settings ($XDG_CONFIG_HOME) while it
// lives; the one before comes back after it.
class TemporaryConfigHome {
 public:
  TemporaryConfigHome();
  ~TemporaryConfigHome();
  TemporaryConfigHome(const TemporaryConfigHome&) = delete;
  TemporaryConfigHome& operator=(const TemporaryConfigHome&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  EnvironmentVariable variable_;
};

// Makes a fresh temporary folder (native path) named after `prefix`.
std::string makeTemporaryFolder(const std::string& prefix);

}  // namespace mvtest
