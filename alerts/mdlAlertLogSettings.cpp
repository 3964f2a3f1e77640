#include "alerts/mdlAlertLogSettings.h"

#include <utility>
#include <vector>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

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
  if (CopyAnyFile(oldPath, newPath)) {
    if (DeleteAnyFile(oldPath)) return LogMove::Moved;
    DeleteAnyFile(newPath);
    return LogMove::Failed;
  }
  return platform::appendToFile(newPath, NewPlainLogHeader()) ? LogMove::Created : LogMove::Failed;
}

AlertLogSave SaveAlertLogSettings(const AlertLogSettings& settings, const std::string& logInUse) {
  AlertLogSave result;
  std::string path = settings.path;
  // The chosen file as it was, for taking the move back: a file that was
  // there keeps its content, only one the move made goes.
  platform::FileStamp chosen;
  if (path != logInUse) {
    result.pathChanged = true;
    chosen = platform::nativeFileStamp(platform::resolvePath(path));
    result.move = MovePlainLog(logInUse, path);
    if (result.move == LogMove::Failed) path = logInUse;
    // The log is written where the file now is, whatever the settings file
    // says.
    strLogPath = path;
  }
  std::vector<std::pair<std::string, std::string>> keys = {
      {AlertKeys::AlertDay, settings.archive ? "1" : "0"},
      {AlertKeys::AlertDays, settings.days},
      {AlertKeys::Path, path},
  };
  if (settings.separation != 0) keys.emplace_back(AlertKeys::LogSeparation, std::to_string(settings.separation));
  result.written = WriteINIKeys(AlertKeys::Main, keys, strAlertsSettingFile, true);
  if (!result.written && result.pathChanged && result.move != LogMove::Failed) {
    // The settings file still names the old place, where the next start
    // looks: the log goes back there.
    const bool back = result.move == LogMove::Moved ? MovePlainLog(path, logInUse) == LogMove::Moved
                      : chosen.exists               ? platform::truncateFile(path, chosen.size)
                                                    : DeleteAnyFile(path);
    if (back) strLogPath = logInUse;
  }
  if (result.written) {
    AlertDay = settings.archive ? 1 : 0;
    if (settings.separation != 0) strLogSeparator = LogSeparatorOf(settings.separation);
  }
  return result;
}

}  // namespace mv
