#pragma once
// The alert and log settings that the alerts-and-logs page and its advanced
// dialog change: the switches and counts of [Main] in AlertsAndLogSetting.MVL,
// and moving the plain alert log to another file.
#include <string>

namespace mv {

// The value of a [Main] key, and its write; false (logged) when the file
// could not be written.
std::string ReadAlertSetting(const std::string& key);
[[nodiscard]] bool WriteAlertSetting(const std::string& key, const std::string& value);

// The count or day text of a box kept between `low` and `high`: an empty box
// or a value below `low` gives `low`, a value above `high` gives `high`; a
// value in range keeps its text.
std::string ClampedNumberText(const std::string& text, long low, long high);

// The two lines a plain alert log starts with when it is created at a new
// place, each ending in CR LF.
std::string NewPlainLogHeader();

enum class LogMove {
  Moved,    // the old file was copied to the new place and removed
  Created,  // there was nothing to copy: the new file starts with the header
  Failed,   // the log stays where it was
};

// Moves the plain log from `oldPath` to `newPath`, replacing a file there. A
// copy whose old file cannot be removed is taken back, so the log stays in
// one place. Two names of one file move nothing.
LogMove MovePlainLog(const std::string& oldPath, const std::string& newPath);

// The advanced dialog's settings.
struct AlertLogSettings {
  bool archive = false;     // AlertDay
  std::string days;         // AlertDays, as typed
  std::string path;         // the plain log's path
  int separation = 0;       // 1 comma, 2 Tab, 3 semicolon; 0 none chosen
};

struct AlertLogSave {
  bool written = false;        // the keys were written
  LogMove move = LogMove::Moved;  // what became of the log when the path changed
  bool pathChanged = false;
};

// Moves the log when the path differs from `logInUse` (the file written now),
// then writes AlertDay, AlertDays, Path and LogSeparation in one step: Path
// only as the place the log really is, LogSeparation only when one is chosen.
// The archive switch, the separator and the log path in memory follow what
// was stored; the archive period takes effect at the next start. When the
// keys cannot be written, a log moved for them goes back to its old place; a
// file that only received the header lines is cut back to what it held
// before, and removed only when the move made it.
[[nodiscard]] AlertLogSave SaveAlertLogSettings(const AlertLogSettings& settings, const std::string& logInUse);

}  // namespace mv
