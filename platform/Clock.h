#pragma once
// Today's date and the time of day, through one function that tests can set
// to a fixed time and move forward.
#include <optional>

namespace mv::platform {

struct DateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

// The local date and time, or the fixed value a test has set.
DateTime now();
void setClock(std::optional<DateTime> fixed);
// Moves the fixed time forward (or back, for a negative count) by that many
// seconds, across midnight, months and years; nothing while the clock runs.
void advanceClock(long seconds);

}  // namespace mv::platform
