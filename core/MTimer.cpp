#include "core/MTimer.h"

#include <QTimer>
#include <map>

#include "core/ErrorBoundary.h"
#include "core/MSubclass.h"
#include "core/mdlMain.h"

namespace mv {

namespace {
// The running timers by identifier.
std::map<std::int32_t, QTimer*>& systemTimers() {
  static std::map<std::int32_t, QTimer*> timers;
  return timers;
}

// The timer whose tick is being handed to its object; 0 between ticks.
std::int32_t tickingTimer = 0;

void killSystemTimer(std::int32_t id) {
  auto it = systemTimers().find(id);
  if (it == systemTimers().end()) return;
  it->second->stop();
  // A timer stopped from its own tick goes once the tick has returned.
  if (id == tickingTimer) it->second->deleteLater();
  else delete it->second;
  systemTimers().erase(it);
}
}  // namespace

bool TimerCreate(CTimer& timer) {
  try {
    auto* t = new QTimer;
    t->start(timer.interval_);
    const std::int32_t id = t->timerId() > 0 ? t->timerId() : 0;
    timer.TimerID(id);
    if (id == 0) {
      delete t;
      timer.interval_ = 0;
      return false;
    }
    QObject::connect(t, &QTimer::timeout, [id] { TimerProc(id); });
    systemTimers()[id] = t;
    for (int slot = 1; slot <= MaxTimers; ++slot) {
      if (arrTimers[slot]) continue;
      arrTimers[slot] = &timer;
      if (slot > intTimerCount) intTimerCount = static_cast<std::int16_t>(slot);
      return true;
    }
    // No free slot: a timer that ticks no object is stopped again, and the
    // object is left stopped.
    killSystemTimer(id);
    timer.TimerID(0);
    timer.interval_ = 0;
    timer.ErrRaise(errTooManyTimers);
  } catch (const std::exception& e) {
    WriteErrorLog(e, "TimerCreate of MTimer");
  }
  return false;
}

bool TimerDestroy(CTimer& timer) {
  try {
    for (int slot = 1; slot <= intTimerCount; ++slot) {
      if (!arrTimers[slot] || arrTimers[slot]->TimerID() != timer.TimerID()) continue;
      killSystemTimer(timer.TimerID());
      arrTimers[slot] = nullptr;
      return true;
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "TimerDestroy of MTimer");
  }
  return false;
}

void TimerProc(std::int32_t idEvent) {
  ErrorBoundary("TimerProc of MTimer", [&] {
    for (int slot = 1; slot <= intTimerCount; ++slot) {
      if (!arrTimers[slot] || arrTimers[slot]->TimerID() != idEvent) continue;
      const std::int32_t outer = tickingTimer;
      tickingTimer = idEvent;
      arrTimers[slot]->PulseTimer();
      tickingTimer = outer;
      return;
    }
  });
}

}  // namespace mv
