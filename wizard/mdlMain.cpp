#include "wizard/mdlMain.h"

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Application.h"
#include "platform/DefaultPrograms.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "platform/SingleInstance.h"
#include "programs/mdlProgramControl.h"

namespace mv::wizard {

namespace {

const std::string CrLf = "\r\n";
const char* const kSaveSettings = "saveStartupWizardSettings of frmStartupMain";
const char* const kReloadProfiles = "ReloadProfiles of Module mdlMain";
constexpr int errFileNotFound = 53;  // "File not found"
constexpr int errFileAccess = 75;    // "Path/File access error"
constexpr int errPermissionDenied = 70;  // "Permission denied": a file another process has locked

std::function<void()>& endHandler() {
  static std::function<void()> handler;
  return handler;
}

std::string passwordFile() { return mv::strSystemDir + "MVPSD.SYS"; }

[[noreturn]] void fileAccessError(const std::string& path) {
  throw RuntimeError(errFileAccess, "Path/File access error (" + path + ")");
}

// The wizard's Err.log line, without its line end.
std::string errorLogLine(int number, const std::string& description, const std::string& label) {
  return label + ":---->" + std::to_string(number) + "," + description + "," + " On " + NowDateText() + " " +
         NowTimeText();
}

}  // namespace

void ResetWizardGlobals() {
  strLanguageFile.clear();
  strPassword.clear();
  blnLoggedIn = false;
  endHandler() = nullptr;
  mv::SetErrorLogLayout(nullptr);
}

void SetPaths() {
  // Every error the wizard logs, in shared code too, takes its own layout.
  mv::SetErrorLogLayout(errorLogLine);
  mv::SetPathGlobals();
  strLanguageFile = mv::AppPath() + "\\Lang\\English.INI";
}

void EndWizard() {
  if (endHandler()) {
    endHandler()();
    return;
  }
  platform::EndProgram();
}

void setEndWizardHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

bool CheckPasswordFile() {
  if (platform::fileExists(passwordFile())) return true;
  platform::MsgBox("Applicaation corrupted please reinstall it.", platform::vbCritical, AppTitle);
  EndWizard();
  return false;
}

std::optional<std::string> GetStoredPassword() {
  // Both copies are read together, never half-way through another
  // program's change of the password.
  mv::PasswordPair pair = mv::ReadPasswordPair();
  const std::string& copy = pair.registryCopy;
  if (!CheckPasswordFile()) return std::nullopt;
  std::string& bytes = pair.fileBytes;
  std::optional<std::string> password;
  if (pair.fileRead) {
    // The file holds one line and its line end, nothing else.
    if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, CrLf) == 0) bytes.resize(bytes.size() - 2);
    if (bytes.find_first_of(CrLf) == std::string::npos) password = mv::PasswordFromFileLine(bytes);
  }
  if (!password || *password != copy) {
    // Copies read without the lock may be another program's change half-way.
    platform::MsgBox(pair.whole ? AppTitle + " is corrupted." : mv::PasswordNotReadWholeText(), platform::vbCritical,
                     AppTitle);
    EndWizard();
    return std::nullopt;
  }
  return password;
}

std::string GetLangString(const std::string& key, const std::string& defaultText) {
  // Only a key that is there, even with an empty text, overrides the default;
  // a value is read into a buffer of 255 characters.
  auto value = platform::profileGetString(LanguageSection, key, strLanguageFile);
  if (!value) return defaultText;
  return value->substr(0, 254);
}

void WriteErrorLog(int number, const std::string& description, const std::string& label) {
  platform::appendToFile(mv::AppPath() + "\\Err.log", errorLogLine(number, description, label) + CrLf);
}

long PermissionCode(const std::string& right) {
  const std::string upper = UCase(right);
  if (upper == "BLOCK") return 1;
  if (upper == "ASK") return 2;
  return 0;
}

std::string ProgramDisplayName(const std::string& path) {
  mv::getFileProperty(path);
  // Without a description two programs would share one empty name (and one
  // section): the file name stands in.
  std::string name = mv::tblFileInfo.FileDescription;
  if (Trim(name).empty()) name = mv::tblFileInfo.FileName;
  // The name becomes a section name, which cannot hold a bracket or a line
  // break, nor keep blanks at its ends.
  for (char& c : name) {
    if (c == '[') c = '(';
    if (c == ']') c = ')';
    if (static_cast<unsigned char>(c) < 32) c = '_';
  }
  return Trim(name);
}

bool ReloadProfiles(std::string* failedFile) {
  return ErrorBoundary(kReloadProfiles, [&] {
    auto fail = [&](const std::string& path) {
      if (failedFile) *failedFile = path;
      fileAccessError(path);
    };
    if (!platform::folderExists(mv::strProfilePath) && !platform::makeFolder(mv::strProfilePath))
      fail(mv::strProfilePath);
    for (const std::string& name : mv::varSettingsFiles)
      if (!platform::profileWriteFile(mv::strProfilePath + name, mv::BuiltinDefaultFile(name)))
        fail(mv::strProfilePath + name);
  });
}

bool SavePassword(const std::string& password, std::string* failedFile) {
  std::string failed;
  if (mv::StorePasswordFiles(password, failed)) return true;
  if (failedFile) *failedFile = failed;
  return false;
}

void WriteProgramEntry(const std::string& name, const std::string& path, const std::string& version,
                       long accessCode, long serverCode) {
  const auto access = static_cast<std::uint8_t>(accessCode), server = static_cast<std::uint8_t>(serverCode);
  mv::WriteINISectionOrRaise(name, mv::NewProgramSection(version, {access, access, server, server}, path),
                             mv::strProgramControlFile, true);
}

std::vector<WizardProgram> DefaultPrograms() {
  std::vector<WizardProgram> programs;
  auto add = [&](const std::string& path, const std::string& role) {
    if (!path.empty()) programs.push_back({ProgramDisplayName(path), path, "Allow", "Allow", role});
  };
  for (const std::string& path : platform::systemNetworkComponents()) add(path, RoleNetworkComponent);
  add(platform::defaultWebBrowser(), RoleWebBrowser);
  return programs;
}

void AddDefaultPrograms(const std::vector<WizardProgram>& defaults) {
  bool browser = false;
  for (const WizardProgram& p : defaults) {
    browser = browser || p.role == RoleWebBrowser;
    mv::getFileProperty(p.path);
    WriteProgramEntry(p.name, p.path, mv::tblFileInfo.FileVersion, 0, 0);
  }
  // A machine without a web browser is no failure of the setup (the page
  // said that none would be added); it is only noted.
  if (!browser) WriteErrorLog(errFileNotFound, "No default web browser was found", kSaveSettings);
}

void SaveProgramList(const std::vector<WizardProgram>& programs) {
  for (const WizardProgram& p : programs) {
    mv::getFileProperty(p.path);
    WriteProgramEntry(p.name, p.path, mv::tblFileInfo.FileVersion, PermissionCode(p.access),
                      PermissionCode(p.server));
  }
}

FinishOutcome saveStartupWizardSettings(const WizardChoices& choices) {
  // Every file of the configuration is stored in one change: a failure, or a
  // kill at any moment, leaves all of them as they were or all as chosen.
  std::string failedFile;  // the file that could not be written
  bool pending = false;    // this change's record stays, for the next start to complete
  {
    // The folder's lock is held from the look at the front end to the last
    // write. The front end takes its one-instance lock before it waits for
    // this one: a front end seen not running that starts meanwhile waits,
    // and reads the whole configuration.
    platform::FolderWriteLock lock;
    if (!lock.held()) {
      // Nothing is written: another program's write held the folder all
      // through the wait, or a change record left on disk cannot be read now.
      if (platform::folderLockRanOut()) {
        WriteErrorLog(errPermissionDenied,
                      "Another Morvantis program held the lock of the program folder while saving the settings; "
                      "nothing was written",
                      kSaveSettings);
      } else {
        failedFile = platform::profileChangeRecordPath();
        WriteErrorLog(errFileAccess, "Path/File access error (" + failedFile + ")", kSaveSettings);
      }
    } else if (platform::instanceRunning(mv::AppEXEName)) {
      // The front end reads the settings only at its start: written under
      // it, they would be put back by what it holds, one window at a time.
      return {false, FrontEndRunningText, true};
    } else {
      platform::ProfileChange change;
      const bool held = ReloadProfiles(&failedFile) && ErrorBoundary(kSaveSettings, [&] {
        if (!choices.NewPassword.empty() && !SavePassword(choices.NewPassword, &failedFile))
          fileAccessError(failedFile);
        failedFile = mv::strAlertsSettingFile;
        mv::WriteINIOrRaise("Main", "AlertEvent", std::to_string(choices.AlertChoice), mv::strAlertsSettingFile,
                            true);
        failedFile = mv::strProgramControlFile;
        if (choices.ProgramChoice == 1) AddDefaultPrograms(choices.defaults);
        if (choices.ProgramChoice == 3) SaveProgramList(choices.programs);
      });
      if (held && change.commit()) {
        if (!choices.NewPassword.empty()) strPassword = choices.NewPassword;
        return {true, ""};
      }
      if (held) {
        failedFile = change.failedFile();
        WriteErrorLog(errFileAccess, "Path/File access error (" + failedFile + ")", kSaveSettings);
        pending = platform::changeRecordLeft();
      }
    }
  }
  std::string message = "The setup is not complete." + CrLf + "The settings could not be saved" +
                        mv::NotSavedPlace(failedFile) + "." + CrLf;
  message += pending ? "The setup will be completed at the next start."
                     : "Nothing was changed: the previous settings and password are still in force.";
  return {pending, message + CrLf + "The reason is written to Err.log in the program folder."};
}

}  // namespace mv::wizard
