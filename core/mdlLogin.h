#pragma once
// The settings password: its two stored copies (a line of the password file
// in the system directory and a registry value), the password in memory and
// the login gate.
#include <optional>
#include <string>

namespace mv {

inline std::string strPassword;  // clear text; "" when no password is set
inline bool blnLoggedIn = false;

// The key that scrambles the password store.
inline const std::string PasswordKey = "KXN 4718";

// True when no password is set or the user has logged in; otherwise shows the
// login window modally and returns its outcome. A call while the login window
// is already open returns False at once.
bool CheckLogin();

// Stores both copies as StorePasswordFiles does. When they cannot be stored
// the old copies stay, the user is told, and the result is false.
bool setPassword(const std::string& password);

// Stores both copies of the password as the whole files of one change
// (platform::ProfileChange), so that they never disagree, a kill included;
// inside another change they join it and are stored with its other files.
// False when the password cannot be kept in both copies, the registry file
// cannot be read or the change could not be stored (nothing stored);
// failedFile then names the file.
bool StorePasswordFiles(const std::string& password, std::string& failedFile);

// The password held by the registry copy ("" when there is none).
std::string RegistryPasswordCopy();
// The password inside a line of the password file; nothing when the line is
// too short to hold the two filler texts.
std::optional<std::string> PasswordFromFileLine(const std::string& line);

// Both copies of the password as the files hold them, read together while
// the folder's lock is held, so that another program's change of the
// password is seen wholly or not at all.
struct PasswordPair {
  std::string registryCopy;  // the password the registry copy holds
  bool fileExists = false;   // the password file is there
  bool fileRead = false;     // and could be read: its bytes
  std::string fileBytes;
  // Read while the lock was held. Without it (another program held it past
  // the wait, a record that cannot be read), copies that disagree may be
  // another program's change half-way, not damage.
  bool whole = true;
};
PasswordPair ReadPasswordPair();
// What a start that read copies that disagree says when they were not read
// whole: that the password could not be read whole, and why.
std::string PasswordNotReadWholeText();

// Reads the password again when another program changed either copy since
// this program last read them (after getPassword), so that the login gate
// checks the password in force. A login made with another password no
// longer counts. Copies that disagree leave the password in memory as it is
// (logged).
void RefreshPassword();
// Forgets what the copies were when last read (tests).
void ResetPasswordWatch();

// Reads and checks both copies and returns the password. A missing password
// file, a line too short to hold the filler texts, or copies that disagree
// end the program with a message.
std::string getPassword();

// "" when the password can be kept in both copies; otherwise the reason to
// show. Only printable characters (codes 32 to 126) are allowed, and neither
// scrambled form may hold a line break or NUL or begin or end with a blank.
std::string PasswordStorageProblem(const std::string& password);
// True when neither scrambled form of the password holds CR, LF or NUL or
// begins or ends with a blank.
bool ScrambledFormsSafe(const std::string& password);

}  // namespace mv
