#include "core/mdlLogin.h"

#include <exception>
#include <optional>

#include "core/Registry.h"
#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Registry.h"

namespace mv {
namespace {

// The password is stored between two filler sentences, so that the file line
// does not show its length at a glance.
const std::string T1 = "Quiet fences hold night. ";
const std::string T2 = "Every gate keeps a ledger of rivers, roads, hills and harbors in the dusk. ";
const std::string SetupKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string RegistryValueName = "MVPSD";
const std::string CrLf = "\r\n";

std::string passwordFile() { return strSystemDir + "MVPSD.SYS"; }

std::string registryCopy(const std::string& password) { return EncryptString(password, PasswordKey); }
std::string fileLine(const std::string& password) { return EncryptString(T1 + password + T2, PasswordKey); }

[[noreturn]] void endWithMessage(const std::string& message) {
  platform::MsgBox(message, platform::vbCritical, AppTitle);
  platform::EndProgram();
}

[[noreturn]] void passwordCorrupted() { endWithMessage("Password is corrupted." + CrLf + "Please reinstall the " + AppTitle); }

// A scrambled form that survives both stores: no line break or NUL (the file
// is read line by line) and no blank at either end (the registry write trims).
bool storableForm(const std::string& form) {
  if (form.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  return form.empty() || (form.front() != ' ' && form.back() != ' ');
}

}  // namespace

bool CheckLogin() {
  RefreshPassword();
  if (strPassword.empty() || blnLoggedIn) return true;
  // Without a login window to ask (no forms) the gate stays shut.
  ErrorBoundary("CheckLogin of mdlLogin", [] { hooks::Call(hooks::ShowLogin); });
  return blnLoggedIn;
}

bool ScrambledFormsSafe(const std::string& password) {
  return storableForm(registryCopy(password)) && storableForm(fileLine(password));
}

std::string PasswordStorageProblem(const std::string& password) {
  for (unsigned char c : password)
    if (c < 32 || c > 126)
      return "The password may contain only letters, digits, blanks and the punctuation marks of the keyboard." +
             CrLf + "Please type another password.";
  if (!ScrambledFormsSafe(password)) return "This password cannot be stored." + CrLf + "Please type another password.";
  return "";
}

bool setPassword(const std::string& password) {
  // Both copies are stored as one change: a program ended half-way leaves
  // the old password in both or the new one in both, never copies that
  // disagree (which would end the next start).
  std::string failed;
  const bool stored = ErrorBoundary("setPassword of mdlAlertsAndLogs", false, [&] {
    if (!PasswordStorageProblem(password).empty()) return false;
    if (StorePasswordFiles(password, failed)) return true;
    WriteErrorLog(FileAccessErrorText(failed), "setPassword of mdlAlertsAndLogs");
    return false;
  });
  if (stored) return true;
  const bool refused = !LockRefusalText().empty();
  const std::string where = failed.empty() && !refused ? "" : NotSavedPlace(failed);
  platform::MsgBox("The password could not be saved" + where + "." + CrLf +
                       (platform::changeRecordLeft() && !refused
                            ? "The new password will be in force once the change is completed, when the settings are next saved or at the next start."
                            : "The previous password is still in force."),
                   platform::vbCritical, AppTitle);
  return false;
}

bool StorePasswordFiles(const std::string& password, std::string& failedFile) {
  std::string registry;
  if (!PasswordStorageProblem(password).empty()) {
    failedFile = passwordFile();
    return false;
  }
  // The registry's text is built from the file as it is while the lock is
  // held, so that no other program's change of it is written over.
  platform::ProfileChange change;
  const platform::RegValue copy{platform::REG_SZ, registryCopy(password)};
  if (!platform::registryTextWithValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, copy, registry)) {
    failedFile = platform::registryFile();
    return false;
  }
  change.writeFile(passwordFile(), fileLine(password) + CrLf);
  change.writeFile(platform::registryFile(), registry);
  if (change.commit()) return true;
  failedFile = change.failedFile();
  return false;
}

std::string RegistryPasswordCopy() {
  return DecryptString(GetRegValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, ""), PasswordKey);
}

std::optional<std::string> PasswordFromFileLine(const std::string& line) {
  // The line holds T1, the password and T2: at least their 100 characters.
  if (line.size() < T1.size() + T2.size()) return std::nullopt;
  // From the last character of T1 on: 24 is a whole number of key lengths,
  // so the part unscrambles with the key from its start.
  const std::string part = DecryptString(line.substr(T1.size() - 1, line.size() - T2.size() - T1.size() + 1), PasswordKey);
  return part.substr(1);
}

namespace {
const char* const kPasswordMissing = "Applicaation corrupted please reinstall it.";

// What the two copies' files were when they were last read.
struct PairStamps {
  platform::FileStamp file, registry;
  bool operator==(const PairStamps&) const = default;
};
PairStamps pairStamps() {
  return {platform::nativeFileStamp(platform::resolvePath(passwordFile())),
          platform::nativeFileStamp(platform::registryFile())};
}
// Set once the program has read the password (getPassword).
std::optional<PairStamps>& watchedStamps() {
  static std::optional<PairStamps> stamps;
  return stamps;
}
PairStamps lastReadStamps;

// The password both copies hold; nothing when they disagree or the file's
// first line holds none.
std::optional<std::string> passwordOfPair(const PasswordPair& pair) {
  const std::optional<std::string> password =
      PasswordFromFileLine(pair.fileBytes.substr(0, pair.fileBytes.find_first_of(CrLf)));
  if (!password || *password != pair.registryCopy) return std::nullopt;
  return password;
}

std::string readPasswordCopies() {
  const PasswordPair pair = ReadPasswordPair();
  const std::string missing = kPasswordMissing;
  if (!pair.fileExists) endWithMessage(missing);
  // A password file that exists but cannot be read (a folder in its place, no
  // read permission) ends the program as a missing one does: running on
  // without the password would open every setting to anyone.
  if (!pair.fileRead) {
    WriteErrorLog("Path/File access error (" + passwordFile() + ")", "getPassword of mdlAlertsAndLogs");
    endWithMessage(missing);
  }
  const std::optional<std::string> password = passwordOfPair(pair);
  if (!password && !pair.whole) endWithMessage(PasswordNotReadWholeText());
  if (!password) passwordCorrupted();
  watchedStamps() = lastReadStamps;
  return *password;
}
}  // namespace

PasswordPair ReadPasswordPair() {
  PasswordPair pair;
  // Held only for the reads: a message about what was read comes after.
  platform::FolderWriteLock lock;
  pair.whole = lock.held();
  pair.registryCopy = RegistryPasswordCopy();
  pair.fileExists = platform::fileExists(passwordFile());
  pair.fileRead = pair.fileExists && platform::readFile(passwordFile(), pair.fileBytes);
  lastReadStamps = pairStamps();
  return pair;
}

std::string PasswordNotReadWholeText() {
  const std::string why = LockRefusalText();
  return "The password could not be read whole" + (why.empty() ? std::string() : ": " + why) + "." + CrLf +
         "Please start " + AppTitle + " again later.";
}

void RefreshPassword() {
  if (!watchedStamps() || pairStamps() == *watchedStamps()) return;
  const PasswordPair pair = ReadPasswordPair();
  watchedStamps() = lastReadStamps;
  const std::optional<std::string> password = pair.fileRead ? passwordOfPair(pair) : std::nullopt;
  if (!password) {
    WriteErrorLog("The two copies of the password disagree; the password read at the start stays in force",
                  "RefreshPassword of mdlLogin");
    return;
  }
  if (*password == strPassword) return;
  strPassword = *password;
  blnLoggedIn = false;
}

void ResetPasswordWatch() { watchedStamps().reset(); }

std::string getPassword() {
  auto password = ErrorBoundary("getPassword of mdlAlertsAndLogs", std::optional<std::string>(),
                                [] { return std::optional<std::string>(readPasswordCopies()); });
  // No failure of the store may leave the settings unprotected.
  if (!password) endWithMessage(kPasswordMissing);
  return *password;
}

}  // namespace mv
