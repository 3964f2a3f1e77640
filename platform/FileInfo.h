#pragma once
// What the file system knows of one file: its size and its three times, and
// the strings of its version resource where it has one.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"

namespace mv::platform {

struct FileDetails {
  std::uint64_t size = 0;
  // Seconds since 1 January 1970 UTC. The creation time is 0 when the file
  // system keeps none for the file (unknown).
  std::int64_t created = 0;
  std::int64_t lastAccessed = 0;
  std::int64_t lastModified = 0;
};

// Opens the file for reading, sharing it with every other user, and reads its
// size and times; false when it does not exist or cannot be opened (a folder
// cannot).
bool readFileDetails(const std::string& path, FileDetails& out);

// The calendar date and time of a file time, in UTC and in local time.
DateTime utcDateTime(std::int64_t secondsSinceEpoch);
DateTime localDateTime(std::int64_t secondsSinceEpoch);

// A file's version resource: its translation entries (language, code page)
// and its strings, each under its query path, as
// "\StringFileInfo\040904B0\CompanyName".
struct VersionResource {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
  std::map<std::string, std::string> strings;
};

// The file's version resource; nullopt when it has none (programs on this
// platform carry none).
std::optional<VersionResource> readVersionResource(const std::string& path);

using VersionResourceReader = std::function<std::optional<VersionResource>(const std::string& path)>;
// Replaces the reader (tests); an empty function puts the real one back.
void setVersionResourceReader(VersionResourceReader reader);

}  // namespace mv::platform
