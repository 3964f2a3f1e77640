#pragma once
// A timer object: with an interval of 1 ms or more it raises ThatTime on
// every tick, without a window; an interval below 1 stops it.
#include <QObject>
#include <cstdint>

namespace mv {

class CTimer : public QObject {
  Q_OBJECT
 public:
  explicit CTimer(QObject* parent = nullptr) : QObject(parent) {}
  // Stops the timer.
  ~CTimer() override;

  std::int32_t Interval() const { return interval_; }
  // A new value of 1 or more (re)starts the timer with it; the same value
  // again changes nothing; a value below 1 stops it.
  void Interval(std::int32_t milliseconds);
  // Raises ThatTime.
  void PulseTimer();

 signals:
  void ThatTime();

 private:
  friend bool TimerCreate(CTimer& timer);
  friend bool TimerDestroy(CTimer& timer);
  friend void TimerProc(std::int32_t idEvent);

  std::int32_t TimerID() const { return timerId_; }
  void TimerID(std::int32_t id) { timerId_ = id; }
  // Raises the kit's error and logs it here; the caller goes on.
  void ErrRaise(int number);

  std::int32_t interval_ = 0;  // milliseconds; 0 = stopped
  std::int32_t timerId_ = 0;   // the running timer's identifier; 0 = none
};

}  // namespace mv
