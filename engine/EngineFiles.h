#pragma once
// Files of the stand-in engine: where its programs live, the rule file and
// the daily event logs under the system directory, and whole-file reads and
// writes. Plain C++ and POSIX, so the engine's programs need nothing else.
#include <string>

namespace mvengine {

// The folder of the running executable, resolved through /proc/self/exe.
std::string executableFolder();

// The native path of `relative` ("drivers/etc/mvd.conf") under `base`, each
// existing name matched without regard to case as the front end matches its
// own paths; names that do not exist are kept as written.
std::string findPath(const std::string& base, const std::string& relative);

// Reads a whole file; false when it is missing or cannot be read (a folder,
// no permission), leaving `out` empty.
bool readFile(const std::string& path, std::string& out);

// Replaces a file in one step (a temporary file renamed over it), so a reader
// never sees half of it.
bool writeFileAtomic(const std::string& path, const std::string& text);

// Creates a folder and its parents; true when it exists afterwards.
bool makeFolders(const std::string& path);

// The local date and time in a strftime format.
std::string localTimeText(const char* format);

// Today's local date as "yyyymmdd", the name stem of the day's event logs.
std::string todayStamp();

// The day's first log ("yyyymmdd.log") or second log ("yyyymmddi.log") in the
// engine's log folder of the system directory.
std::string eventLogPath(const std::string& systemDir, const std::string& day, bool secondLog);

// The first line of every event log: the section that holds the event lines.
inline constexpr const char* kLogHeader = "[Logs]\r\n";

}  // namespace mvengine
