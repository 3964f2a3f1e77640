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

// What both copies held before a change, so that a failed change can be
// undone.
struct StoredCopies {
  std::optional<std::string> file;
  std::optional<platform::RegValue> registry;
};

StoredCopies readStoredCopies() {
  StoredCopies copies;
  std::string bytes;
  if (platform::fileExists(passwordFile()) && platform::readFile(passwordFile(), bytes)) copies.file = bytes;
  platform::RegValue value;
  if (platform::regQueryValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, value) ==
      platform::ERROR_SUCCESS)
    copies.registry = value;
  return copies;
}

void restoreStoredCopies(const StoredCopies& copies) {
  if (copies.registry)
    platform::regSetValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, *copies.registry);
  else
    platform::regDeleteValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName);
  std::string now;
  bool fileNow = platform::readFile(passwordFile(), now);
  if (copies.file && (!fileNow || now != *copies.file))
    platform::writeFileAtomic(passwordFile(), *copies.file);
  else if (!copies.file && fileNow)
    platform::deleteFile(passwordFile());
}

bool writeRegistryCopy(const std::string& password) {
  std::string copy = registryCopy(password);
  const std::string expected = copy;
  return SetRegValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, copy) &&
         GetRegValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, "") == expected;
}

bool writePasswordFile(const std::string& password) {
  const std::string content = fileLine(password) + CrLf;
  std::string back;
  return platform::writeFileAtomic(passwordFile(), content) && platform::readFile(passwordFile(), back) &&
         back == content;
}

// Writes both copies in the given order and reads each back; false as soon
// as one does not hold what was written, with the file of that copy.
bool writeBothCopies(const std::string& password, PasswordCopyOrder order, std::string& failedFile) {
  auto file = [&] {
    if (writePasswordFile(password)) return true;
    failedFile = passwordFile();
    return false;
  };
  auto registry = [&] {
    if (writeRegistryCopy(password)) return true;
    failedFile = platform::registryFile();
    return false;
  };
  if (order == PasswordCopyOrder::FileFirst) return file() && registry();
  return registry() && file();
}

}  // namespace

bool CheckLogin() {
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

bool StorePasswordCopies(const std::string& password, PasswordCopyOrder order, std::string* failedFile) {
  const StoredCopies before = readStoredCopies();
  bool written = false;
  std::string failed;
  ErrorBoundary("setPassword of mdlAlertsAndLogs", [&] {
    written = PasswordStorageProblem(password).empty() && writeBothCopies(password, order, failed);
  });
  if (!written) restoreStoredCopies(before);
  if (failedFile) *failedFile = failed;
  return written;
}

bool setPassword(const std::string& password) {
  std::string failed;
  if (StorePasswordCopies(password, PasswordCopyOrder::RegistryFirst, &failed)) return true;
  const std::string where = failed.empty() ? "" : " in " + platform::resolvePath(failed);
  platform::MsgBox("The password could not be saved" + where + "." + CrLf + "The previous password is still in force.",
                   platform::vbCritical, AppTitle);
  return false;
}

bool StorePasswordFiles(const std::string& password, std::string& failedFile) {
  std::string registry;
  if (!PasswordStorageProblem(password).empty()) {
    failedFile = passwordFile();
    return false;
  }
  const platform::RegValue copy{platform::REG_SZ, registryCopy(password)};
  if (!platform::registryTextWithValue(platform::HKEY_LOCAL_MACHINE, SetupKey, RegistryValueName, copy, registry)) {
    failedFile = platform::registryFile();
    return false;
  }
  platform::ProfileChange change;
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

std::string readPasswordCopies() {
  const std::string copy = RegistryPasswordCopy();
  const std::string missing = kPasswordMissing;
  if (!platform::fileExists(passwordFile())) endWithMessage(missing);
  std::string bytes;
  // A password file that exists but cannot be read (a folder in its place, no
  // read permission) ends the program as a missing one does: running on
  // without the password would open every setting to anyone.
  if (!platform::readFile(passwordFile(), bytes)) {
    WriteErrorLog("Path/File access error (" + passwordFile() + ")", "getPassword of mdlAlertsAndLogs");
    endWithMessage(missing);
  }
  const std::optional<std::string> password = PasswordFromFileLine(bytes.substr(0, bytes.find_first_of(CrLf)));
  if (!password || *password != copy) passwordCorrupted();
  return *password;
}
}  // namespace

std::string getPassword() {
  auto password = ErrorBoundary("getPassword of mdlAlertsAndLogs", std::optional<std::string>(),
                                [] { return std::optional<std::string>(readPasswordCopies()); });
  // No failure of the store may leave the settings unprotected.
  if (!password) endWithMessage(kPasswordMissing);
  return *password;
}

}  // namespace mv
