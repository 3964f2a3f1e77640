// The shut-down owns the engine: commands that window events start while the
// engine is being stopped at the end are refused, so the program ends with the
// engine stopped on the default rule file.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <csignal>
#include <thread>

#include "core/mdlMain.h"
#include "tests/e2e/ProgramProcess.h"

using namespace mv;
using mvtest::ProgramEnded;

namespace {

class ShutDown : public mvtest::FrontEndTest {};

TEST_F(ShutDown, CommandsRequestedWhileTheEngineStopsAtTheEndAreRefused) {
  installDefaults();
  Main();
  MDIMain* m = MDIMainIfLoaded();
  ASSERT_NE(m, nullptr);
  ASSERT_NE(readText("System32/mvs.state").find("running"), std::string::npos);

  // The user keeps asking for Apply, Lock and Stop through the File menu
  // while the signal's shut-down waits for "net stop mvs".
  bool shuttingDown = false;
  int requestedDuringShutDown = 0;
  int next = 0;
  QTimer requests;
  requests.setInterval(0);
  QObject::connect(&requests, &QTimer::timeout, [&] {
    static const char* const names[] = {"mnuApply", "mnuLock", "mnuStop"};
    if (shuttingDown) ++requestedDuringShutDown;
    m->findChild<QAction*>(names[next++ % 3])->trigger();
  });
  requests.start();
  shuttingDown = true;
  EXPECT_THROW(EndOnSignal(SIGTERM), ProgramEnded);
  requests.stop();

  ASSERT_GT(requestedDuringShutDown, 0);
  EXPECT_NE(readText("System32/mvs.state").find("stopped"), std::string::npos);
  EXPECT_EQ(ruleFile(), golden("exit_template.conf"));
  EXPECT_TRUE(messages.empty());
}

// The program itself, on a display of its own: F5 (Apply) pressed again and
// again while a signal's shut-down waits for "net stop mvs".
class ShutDownOfTheProgram : public mvtest::ProgramProcess {};

TEST_F(ShutDownOfTheProgram, AppliesPressedWhileTheEngineStopsAtTheEndAreRefused) {
  namespace fs = std::filesystem;
  mvtest::VirtualDisplay display;
  ASSERT_FALSE(display.name().empty()) << "Xvfb could not be started";
  start(display.name());
  std::string window;
  ASSERT_TRUE(waitFor([&] {
    window = display.xdotool("search --onlyvisible --name '^Morvantis V'");
    return !window.empty() && running();
  }));

  // F5 is pressed until it restarts the engine, so the keys are known to
  // reach the program's Apply.
  const auto loaded = fs::last_write_time(native("System32/mvs.loaded"));
  ASSERT_TRUE(waitFor(
      [&] {
        display.xdotool("windowfocus --sync " + window + " key F5");
        return waitFor([&] { return fs::last_write_time(native("System32/mvs.loaded")) != loaded; }, 1);
      },
      20));
  // The shut-down is to begin with no Apply under way (a signal waits for
  // one to end): the progress window gone and the engine running again.
  ASSERT_TRUE(waitFor([&] {
    return running() && display.xdotool("search --onlyvisible --name 'Settings Applying'").empty();
  }));

  // Each engine command now takes half a second, as a busy service's may.
  writeText("System32/mvs.delay", "500");
  ASSERT_EQ(::kill(child, SIGTERM), 0);
  std::thread keys([&] { display.xdotool("key --repeat 60 --repeat-delay 20 F5"); });
  int status = waitForEnd();
  keys.join();

  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readText("System32/mvs.state").find("running"), std::string::npos);
  EXPECT_EQ(ruleFile(), mv::BuiltinDefaultText("DEFAULTRULE.CONF") + "\r\n");
  EXPECT_TRUE(waitFor([&] { return mv::platform::findProcessesByPath(native("Pellworth.exe")).empty(); }, 5));
}

}  // namespace
