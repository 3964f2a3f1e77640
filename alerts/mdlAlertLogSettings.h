#pragma once
// The alert and log settings that the alerts-and-logs page and its advanced
// dialog change: the switches and counts of [Main] in AlertsAndLogSetting.MVL,
// and moving the plain alert log to another file.
#include <optional>
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

// Moves the plain log from `oldPath` to `newPath`, replacing a file there:
// the new file with the old one's lines and the old one's removal are one
// change of the settings store, stored with the change the call is made in
// (StoreTogether), or alone. A read-only log is not moved. Two names of one
// file move nothing. When the change is stored with an outer one, the
// outcome holds once that one is stored.
LogMove MovePlainLog(const std::string& oldPath, const std::string& newPath);

// The advanced dialog's settings; a setting left empty is not stored.
struct AlertLogSettings {
  std::optional<bool> archive;      // AlertDay
  std::optional<std::string> days;  // AlertDays, as typed
  std::string path;         // the plain log's path
  int separation = 0;       // 1 comma, 2 Tab, 3 semicolon; 0 none chosen
};

struct AlertLogSave {
  bool written = false;        // the keys were written
  LogMove move = LogMove::Moved;  // what became of the log when the path changed
  bool pathChanged = false;
};

// Moves the log when the path differs from `logInUse` (the file written now)
// and writes AlertDay, AlertDays, Path and LogSeparation, all in one change:
// AlertDay and AlertDays only when given, Path only when the log really moved,
// LogSeparation only when one is chosen. A kill at any moment leaves, after the next start, the whole log at
// the place Path names. A log that cannot be written at the new place stays
// where it is and the other keys are stored. When the keys cannot be
// written, nothing changes, the log included. The archive switch, the
// separator and the log path in memory follow what was stored; the archive
// period takes effect at the next start.
[[nodiscard]] AlertLogSave SaveAlertLogSettings(const AlertLogSettings& settings, const std::string& logInUse);

}  // namespace mv
