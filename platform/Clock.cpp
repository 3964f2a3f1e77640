#include "platform/Clock.h"

#include <ctime>

namespace mv::platform {
namespace {
std::optional<DateTime>& fixedSlot() {
  static std::optional<DateTime> f;
  return f;
}
}  // namespace

DateTime now() {
  if (fixedSlot()) return *fixedSlot();
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void setClock(std::optional<DateTime> fixed) { fixedSlot() = fixed; }

}  // namespace mv::platform
