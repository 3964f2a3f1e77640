#include "platform/Clock.h"

#include <ctime>

namespace mv::platform {
namespace {
std::optional<DateTime>& fixedSlot() {
  static std::optional<DateTime> f;
  return f;
}

DateTime fromTm(const std::tm& tm) {
  return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}
}  // namespace

DateTime now() {
  if (fixedSlot()) return *fixedSlot();
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return fromTm(tm);
}

void setClock(std::optional<DateTime> fixed) { fixedSlot() = fixed; }

void advanceClock(long seconds) {
  if (!fixedSlot()) return;
  const DateTime& d = *fixedSlot();
  // Calendar arithmetic in UTC, so that no daylight-saving change of the
  // machine shifts the fixed time.
  std::tm tm{};
  tm.tm_year = d.year - 1900;
  tm.tm_mon = d.month - 1;
  tm.tm_mday = d.day;
  tm.tm_hour = d.hour;
  tm.tm_min = d.minute;
  tm.tm_sec = d.second + static_cast<int>(seconds % 86400);
  tm.tm_mday += static_cast<int>(seconds / 86400);
  std::time_t t = timegm(&tm);
  std::tm out{};
  gmtime_r(&t, &out);
  fixedSlot() = fromTm(out);
}

}  // namespace mv::platform
