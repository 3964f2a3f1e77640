#include "alerts/mdlAlertLogSettings.h"

#include <utility>
#include <vector>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"

namespace mv {

std::string ReadAlertSetting(const std::string& key) {
  return ReadINI(AlertKeys::Main, key, "", strAlertsSettingFile, true);
}

bool WriteAlertSetting(const std::string& key, const std::string& value) {
  return WriteINI(AlertKeys::Main, key, value, strAlertsSettingFile, true);
}

std::string ClampedNumberText(const std::string& text, long low, long high) {
  const double value = Val(text);
  if (Trim(text).empty() || value < low) return std::to_string(low);
  if (value > high) return std::to_string(high);
  return text;
}

std::string NewPlainLogHeader() {
  return "Log File\r\n" + AppTitle + " Verion : " + std::to_string(AppMajorVersion) + "." +
         std::to_string(AppMinorVersion) + "\r\n";
}

LogMove MovePlainLog(const std::string& oldPath, const std::string& newPath) {
  if (platform::resolvePath(oldPath) == platform::resolvePath(newPath)) return LogMove::Moved;
  // Two names of one file (a linked folder): moving would write the file
  // and then delete it under its other name.
  const platform::FileStamp from = platform::nativeFileStamp(platform::resolvePath(oldPath));
  const platform::FileStamp to = platform::nativeFileStamp(platform::resolvePath(newPath));
  if (from.exists && to.exists && from.device == to.device && from.inode == to.inode) return LogMove::Moved;
  // As on Windows, a read-only log is not deleted, and so not moved.
  if (platform::isReadOnlyFile(oldPath)) return LogMove::Failed;
  platform::ProfileChange change;
  LogMove move = LogMove::Moved;
  if (from.exists && platform::readFileTail(oldPath, 0, 0).exists) {
    // The lines go from file to file, not through the change's record.
    change.moveFile(oldPath, newPath);
  } else {
    // Nothing to copy: the header goes after whatever the chosen file holds.
    std::string there;
    if (platform::fileExists(newPath) && !platform::readFile(newPath, there)) return LogMove::Failed;
    change.writeFile(newPath, there + NewPlainLogHeader());
    move = LogMove::Created;
  }
  return change.commit() ? move : LogMove::Failed;
}

AlertLogSave SaveAlertLogSettings(const AlertLogSettings& settings, const std::string& logInUse) {
  AlertLogSave result;
  result.pathChanged = settings.path != logInUse;
  std::string path = logInUse;
  // The log's new place, its removal from the old one and the keys that name
  // it are stored together: whatever the moment the program ends, the next
  // start finds the whole log at the place Path names.
  auto store = [&](bool moving) {
    return StoreTogether([&] {
      path = logInUse;
      if (moving) {
        result.move = MovePlainLog(logInUse, settings.path);
        if (result.move != LogMove::Failed) path = settings.path;
      }
      std::vector<std::pair<std::string, std::string>> keys;
      if (settings.archive) keys.emplace_back(AlertKeys::AlertDay, *settings.archive ? "1" : "0");
      if (settings.days) keys.emplace_back(AlertKeys::AlertDays, *settings.days);
      if (path != logInUse) keys.emplace_back(AlertKeys::Path, path);
      if (settings.separation != 0)
        keys.emplace_back(AlertKeys::LogSeparation, std::to_string(settings.separation));
      if (keys.empty()) return true;
      return WriteINIKeys(AlertKeys::Main, keys, strAlertsSettingFile, true);
    });
  };
  result.written = store(result.pathChanged);
  if (!result.written && result.pathChanged && LastFailedWriteFile() == settings.path &&
      !platform::fileExists(platform::profileChangeRecordPath())) {
    // The log cannot be written at the new place: it stays where it is, and
    // the other settings are stored. (A change the next start completes
    // moves it after all.)
    result.written = store(false);
    result.move = LogMove::Failed;
  }
  if (result.written) {
    strLogPath = path;
    if (settings.archive) AlertDay = *settings.archive ? 1 : 0;
    if (settings.separation != 0) strLogSeparator = LogSeparatorOf(settings.separation);
  }
  return result;
}

}  // namespace mv
