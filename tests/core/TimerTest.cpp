// Timer objects: ticking, stopping, and the table of running objects.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <vector>

#include "core/CTimer.h"
#include "core/MTimer.h"
#include "tests/support/TestEnv.h"

using namespace mv;

namespace {

int runningObjects() {
  int n = 0;
  for (int slot = 1; slot <= MaxTimers; ++slot) n += arrTimers[slot] ? 1 : 0;
  return n;
}

class Timers : public mvtest::ProgramFolderTest {
 protected:
  // Runs the event loop until `ticks` ticks arrived or a generous bound passed.
  static int waitForTicks(CTimer& timer, int ticks) {
    int seen = 0;
    QEventLoop loop;
    QObject::connect(&timer, &CTimer::ThatTime, &loop, [&] {
      if (++seen >= ticks) loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return seen;
  }
};

TEST_F(Timers, AnObjectWithAnIntervalTicksUntilStopped) {
  CTimer timer;
  timer.Interval(5);
  EXPECT_EQ(timer.Interval(), 5);
  EXPECT_EQ(runningObjects(), 1);
  EXPECT_EQ(waitForTicks(timer, 3), 3);

  timer.Interval(0);
  EXPECT_EQ(timer.Interval(), 0);
  EXPECT_EQ(runningObjects(), 0);
  int late = 0;
  QObject::connect(&timer, &CTimer::ThatTime, [&] { ++late; });
  QEventLoop loop;
  QTimer::singleShot(50, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_EQ(late, 0);
}

TEST_F(Timers, TheSameIntervalAgainKeepsTheTimerAndANewOneReplacesIt) {
  CTimer timer;
  timer.Interval(100000);
  const CTimer* inSlot = nullptr;
  for (int slot = 1; slot <= intTimerCount; ++slot)
    if (arrTimers[slot]) inSlot = arrTimers[slot];
  EXPECT_EQ(inSlot, &timer);
  timer.Interval(100000);
  EXPECT_EQ(runningObjects(), 1);
  timer.Interval(5);
  EXPECT_EQ(runningObjects(), 1);
  EXPECT_EQ(waitForTicks(timer, 1), 1);
}

TEST_F(Timers, AnObjectThatEndsStopsItsTimer) {
  {
    CTimer timer;
    timer.Interval(100000);
    EXPECT_EQ(runningObjects(), 1);
  }
  EXPECT_EQ(runningObjects(), 0);
}

TEST_F(Timers, AnObjectFindingNoFreeSlotIsLeftStoppedAndLogged) {
  std::vector<std::unique_ptr<CTimer>> timers;
  for (int i = 0; i < MaxTimers; ++i) {
    timers.push_back(std::make_unique<CTimer>());
    timers.back()->Interval(100000);
  }
  EXPECT_EQ(runningObjects(), MaxTimers);
  EXPECT_EQ(intTimerCount, MaxTimers);

  CTimer extra;
  extra.Interval(5);
  EXPECT_EQ(extra.Interval(), 0);
  EXPECT_EQ(runningObjects(), MaxTimers);
  const std::string log = readText("Err.log");
  EXPECT_NE(log.find("ErrRaise of CTimer: No more than 10 timers allowed per class"), std::string::npos);
  EXPECT_NE(log.find("ErrRaise of CTimer: Can't create system timer"), std::string::npos);

  // A freed slot is taken again.
  timers.front().reset();
  extra.Interval(5);
  EXPECT_EQ(extra.Interval(), 5);
  EXPECT_EQ(runningObjects(), MaxTimers);
  EXPECT_EQ(waitForTicks(extra, 1), 1);
}

}  // namespace
