#include "core/CTimer.h"

#include "core/ErrorBoundary.h"
#include "core/MSubclass.h"
#include "core/MTimer.h"
#include "core/mdlMain.h"

namespace mv {

CTimer::~CTimer() { Interval(0); }

void CTimer::Interval(std::int32_t milliseconds) {
  ErrorBoundary("Interval of CTimer", [&] {
    if (milliseconds >= 1) {
      if (milliseconds == interval_) return;
      if (interval_ != 0) TimerDestroy(*this);
      interval_ = milliseconds;
      if (!TimerCreate(*this)) ErrRaise(errCantCreateTimer);
    } else if (interval_ > 0) {
      interval_ = 0;
      TimerDestroy(*this);
    }
  });
}

void CTimer::PulseTimer() { emit ThatTime(); }

void CTimer::ErrRaise(int number) {
  ErrorBoundary("ErrRaise of CTimer", [&] {
    mv::ErrRaise(number);
  });
}

}  // namespace mv
