#include "platform/FileInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "platform/Paths.h"

namespace mv::platform {
namespace {

VersionResourceReader& readerSlot() {
  static VersionResourceReader reader;
  return reader;
}

DateTime calendarTime(std::int64_t secondsSinceEpoch, std::tm* (*convert)(const std::time_t*, std::tm*)) {
  std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm t{};
  convert(&time, &t);
  DateTime d;
  d.year = t.tm_year + 1900;
  d.month = t.tm_mon + 1;
  d.day = t.tm_mday;
  d.hour = t.tm_hour;
  d.minute = t.tm_min;
  d.second = t.tm_sec;
  return d;
}

}  // namespace

bool readFileDetails(const std::string& path, FileDetails& out) {
  std::string native = resolvePath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a pipe must not block the call
  if (fd < 0) return false;
  struct statx sx;
  bool ok = ::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0 && S_ISREG(sx.stx_mode);
  ::close(fd);
  if (!ok) return false;
  out.size = sx.stx_size;
  out.lastAccessed = sx.stx_atime.tv_sec;
  out.lastModified = sx.stx_mtime.tv_sec;
  // A birth time of 0 is what file systems (and images unpacked onto them)
  // report when they never recorded one: unknown, like no birth time at all.
  out.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : 0;
  return true;
}

DateTime utcDateTime(std::int64_t secondsSinceEpoch) { return calendarTime(secondsSinceEpoch, ::gmtime_r); }

DateTime localDateTime(std::int64_t secondsSinceEpoch) { return calendarTime(secondsSinceEpoch, ::localtime_r); }

std::optional<VersionResource> readVersionResource(const std::string& path) {
  if (readerSlot()) return readerSlot()(path);
  return std::nullopt;
}

void setVersionResourceReader(VersionResourceReader reader) { readerSlot() = std::move(reader); }

}  // namespace mv::platform
