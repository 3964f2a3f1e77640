#include "core/CTimer.h"

#include "core/MSubclass.h"
#include "core/MTimer.h"
#include "core/mdlMain.h"

namespace mv {

CTimer::~CTimer() { Interval(0); }

void CTimer::Interval(std::int32_t milliseconds) {
  try {
    if (milliseconds >= 1) {
      if (milliseconds == interval_) return;
      if (interval_ != 0) TimerDestroy(*this);
      interval_ = milliseconds;
      if (!TimerCreate(*this)) ErrRaise(errCantCreateTimer);
    } else if (interval_ > 0) {
      interval_ = 0;
      TimerDestroy(*this);
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "Interval of CTimer");
  }
}

void CTimer::PulseTimer() { emit ThatTime(); }

void CTimer::ErrRaise(int number) {
  try {
    mv::ErrRaise(number);
  } catch (const std::exception& e) {
    WriteErrorLog(e, "ErrRaise of CTimer");
  }
}

}  // namespace mv
