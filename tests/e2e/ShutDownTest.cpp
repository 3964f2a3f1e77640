// The shut-down owns the engine: commands that window events start while the
// engine is being stopped at the end are refused, so the program ends with the
// engine stopped on the default rule file.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <csignal>

#include "core/mdlMain.h"
#include "tests/e2e/FrontEndFixture.h"

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

}  // namespace
