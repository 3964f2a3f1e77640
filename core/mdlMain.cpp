#include "core/mdlMain.h"

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "platform/Application.h"
#include "platform/ChangeRecord.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ProcessList.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/ProfileText.h"
#include "platform/Shell.h"
#include "resources/builtin.h"

namespace mv {

const std::vector<std::string> varSettingsFiles = {
    "AlertsAndLogSetting.MVL", "MVDB.MVL",
    "Components.MVL",          "Database_HostSetting.MVL",
    "Database_IPAddress.MVL",  "Database_IPRangeSetting.MVL",
    "Database_IPSetting.MVL",  "Database_PortSetting.MVL",
    "Database_SubnetSetting.MVL", "Database_TCPPorts.MVL",
    "Database_UDPPorts.MVL",   "ProgramControl.MVL",
    "ProgramMain.MVL"};

// The program folder and the system directory come from the operating
// system and enter as they came (systemPath): their names are taken exactly,
// the names the system adds after "\" without regard to case.
std::string AppPath() { return platform::systemPath(platform::programFolder()); }

void SetPathGlobals() {
  strSystemDir = platform::systemPath(platform::systemDirectory()) + "\\";
  strPellworthPath = AppPath() + "\\Pellworth.exe";
  strEngineLogPath = strSystemDir + "logfiles\\mvd\\";
  strLanguageFile = AppPath() + "\\Lang\\English.INI";
  strToolTipFile = AppPath() + "\\Lang\\ToolTip.txt";
  strProfilePath = AppPath() + "\\Profiles\\";
  strProgramControlFile = strProfilePath + "ProgramControl.MVL";
  strComponentsFile = strProfilePath + "Components.MVL";
  strProgramMainFile = strProfilePath + "ProgramMain.MVL";
  strAlertsSettingFile = strProfilePath + "AlertsAndLogSetting.MVL";
  strQTRLogFile = strProfilePath + "qtrLogs.MVL";
  strHomePageURL = "http://www.morvantis.example/";
  strHelpURL = "http://www.morvantis.example/help/";
  strSupportMail = "support@morvantis.example";
}

namespace {
ErrorLogLayout& errorLogLayout() {
  static ErrorLogLayout layout;
  return layout;
}
void appendErrorLine(int number, const std::string& description, const std::string& errorText) {
  std::string line = errorLogLayout()
                         ? errorLogLayout()(number, description, errorText)
                         : NowDateText() + " " + NowTimeText() + "  " + errorText + ": " + description;
  platform::appendToFile(AppPath() + "\\Err.log", line + "\r\n");
}
}  // namespace

void SetErrorLogLayout(ErrorLogLayout layout) { errorLogLayout() = std::move(layout); }

void WriteErrorLog(const std::string& description, const std::string& errorText) {
  appendErrorLine(0, description, errorText);
}

void WriteErrorLog(const std::exception& error, const std::string& errorText) {
  const auto* runtime = dynamic_cast<const RuntimeError*>(&error);
  appendErrorLine(runtime ? runtime->number() : 0, error.what(), errorText);
}

void AddLineInPipeLog(const std::string& text) { platform::appendToFile(AppPath() + "\\Pipe.log", text + "\r\n"); }

void OpenWithDesktop(const std::string& target, const std::string& shown) {
  // Told alike whether the handler cannot start or starts and then fails.
  auto tell = [shown] {
    platform::MsgBox("No program could be started to open " + shown + ".", platform::vbExclamation, AppTitle);
  };
  if (!platform::shellOpen(target, tell)) tell();
}

void generateBlankFile(const std::string& path) {
  if (!platform::writeFileAtomic(path, std::string()))
    WriteErrorLog("Path/File access error (" + path + ")", "generateBlankFile of Module mdlMain");
}

long GetFileAttrib(const std::string& path) {
  if (!platform::fileExists(path)) {
    WriteErrorLog("File not found (" + path + ")", "GetFileAttrib of Module mdlMain");
    return 0;
  }
  return platform::isReadOnlyFile(path) ? 1 : 0;
}

std::string BuiltinDefaultText(const std::string& name) {
  auto bytes = LoadBuiltinResource(name);
  if (!bytes || bytes->empty()) return std::string();
  return bytes->substr(0, bytes->size() - 1);
}

void ShowLastError(const std::string& systemText) { platform::MsgBox(systemText, platform::vbOKOnly, AppTitle); }

void KillProcess(int processId) {
  auto r = platform::endProcess(processId);
  if (!r.ok) ShowLastError(r.error);
}

void RequirePellworth() {
  if (platform::fileExists(strPellworthPath)) return;
  platform::MsgBox("Some files are missing.\r\nPlease reinstall the " + AppTitle, platform::vbCritical, AppTitle);
  platform::EndProgram();
}

void Pellworth(bool start) {
  ErrorBoundary("Pellworth of mdlMain", [&] {
    for (int pid : platform::findProcessesByPath(platform::resolvePath(strPellworthPath))) KillProcess(pid);
    if (!start) return;
    RequirePellworth();
    auto r = platform::startDetached(platform::resolvePath(strPellworthPath));
    if (!r.ok) WriteErrorLog(r.error, "Pellworth of mdlMain");
  });
}

bool WriteBuiltinDefault(const std::string& name) {
  return platform::writeFileAtomic(strProfilePath + name, BuiltinDefaultFile(name));
}

std::string BuiltinDefaultFile(const std::string& name) { return BuiltinDefaultText(name) + "\r\n"; }

std::string ChangeRecordUnreadText() {
  std::string why;
  if (!platform::changeRecordUnread(&why)) return "";
  return "the record of an unfinished change (" + platform::profileChangeRecordPath() + ") cannot be read (" + why +
         ")";
}

std::string ChangeRecordKeptText() {
  std::vector<std::string> files;
  if (!platform::changeRecordKept(&files)) return "";
  std::string names;
  for (const std::string& file : files) names += (names.empty() ? "" : ", ") + file;
  return "an earlier change, recorded to be completed, still could not be completed in " + names;
}

std::string LockRefusalText() {
  // Beside a record that cannot be read, or one whose completion failed
  // again, every taking is refused.
  if (std::string unread = ChangeRecordUnreadText(); !unread.empty()) return unread;
  if (std::string kept = ChangeRecordKeptText(); !kept.empty()) return kept;
  if (platform::folderLockRanOut() || platform::folderLockRefused()) return kOtherProgramSaving;
  return "";
}

std::string FileAccessErrorText(const std::string& file) {
  const std::string refused = LockRefusalText();
  return (refused.empty() ? std::string("Path/File access error") : "Not saved, " + refused) + " (" + file + ")";
}

std::string NotSavedPlace(const std::string& file) {
  const std::string refused = LockRefusalText();
  if (!refused.empty()) return ": " + refused;
  return " in " + platform::resolvePath(file);
}

std::string NotSavedText(const std::string& what, const std::string& file) {
  std::string text = what + " could not be saved" + NotSavedPlace(file) + ".";
  if (LockRefusalText().empty() && platform::changeRecordLeft()) text += std::string("\r\n") + kCompletedLater;
  return text;
}

namespace {
const char* const kRepairText = "checkIsMorvantisCorrupted of Module mdlMain";

// Why a present settings file cannot be used as it stands; "" when it can.
std::string settingsFileDamage(const std::string& path, const std::string& defaultText) {
  if (platform::folderExists(path)) return "a folder stands in its place";
  std::string bytes;
  if (!platform::readFile(path, bytes)) return "it cannot be read";
  return platform::profileTextDamage(bytes, defaultText);
}

// Renames a damaged file to a free name that says so; "" when it could not be
// renamed.
std::string keepDamagedAside(const std::string& path) {
  for (int n = 1; n <= 100; ++n) {
    std::string aside = path + ".damaged" + (n == 1 ? std::string() : "-" + std::to_string(n));
    if (platform::fileExists(aside)) continue;
    return platform::renameFile(path, aside) ? aside : std::string();
  }
  return "";
}
}  // namespace

bool checkIsMorvantisCorrupted() {
  bool allPresent = true;
  ErrorBoundary(kRepairText, [&] {
    // Another program's change of the files is not taken for damage, nor
    // written over by a default, half-way.
    platform::FolderWriteLock lock;
    for (const auto& name : varSettingsFiles) {
      // Without the lock nothing is written: beside another program's change,
      // or a record that cannot be read yet and that would later be completed
      // over it. A missing file counts as missing all the same (the start
      // locks the network), and the next start re-creates it.
      if (!lock.held()) {
        if (!platform::fileExists(strProfilePath + name)) allPresent = false;
        continue;
      }
      std::string path = strProfilePath + name;
      const std::string defaultText = BuiltinDefaultText(name) + "\r\n";
      if (platform::fileExists(path)) {
        // A damaged file is repaired as a missing one: its values cannot be
        // trusted, so the start locks the network and tells the user.
        std::string damage = settingsFileDamage(path, defaultText);
        if (damage.empty()) continue;
        std::string aside = keepDamagedAside(path);
        WriteErrorLog("Damaged settings file " + path + " (" + damage + ")" +
                          (aside.empty() ? ", could not be kept aside" : ", kept as " + platform::fileNamePart(aside)),
                      kRepairText);
      }
      allPresent = false;
      if (!WriteBuiltinDefault(name)) WriteErrorLog("Path/File access error (" + path + ")", kRepairText);
    }
  });
  return !allPresent;
}

}  // namespace mv
