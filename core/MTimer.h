#pragma once
// The timers behind the timer objects: a table of the running objects, each
// with a timer of its own that ticks it by identifier.
#include <array>
#include <cstdint>

#include "core/CTimer.h"

namespace mv {

constexpr int MaxTimers = 100;

// Slots 1 to MaxTimers (slot 0 unused); null when free.
inline std::array<CTimer*, MaxTimers + 1> arrTimers{};
// The highest slot ever used: the table is scanned up to it.
inline std::int16_t intTimerCount = 0;

// Starts a timer of the object's interval and puts the object into a free
// slot. False, with the object stopped, when no timer could be started or no
// slot is free.
bool TimerCreate(CTimer& timer);
// Stops the object's timer and frees its slot; false when it has none.
bool TimerDestroy(CTimer& timer);
// A tick of the timer with that identifier: its object raises ThatTime.
void TimerProc(std::int32_t idEvent);

}  // namespace mv
