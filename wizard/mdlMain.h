#pragma once
// The first-run wizard's own module: its paths, the check of the password
// store, the language file, its error-log line, and the writing of the first
// configuration that the front end starts on. Plain data only: the wizard
// window passes its choices in and shows what comes back.
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mv::wizard {

// The title of every message box of the wizard.
inline const std::string AppTitle = "Morvantis Startup";
// The section of the language file that holds the wizard's texts.
inline const std::string LanguageSection = "Startup Wizard";

inline std::string strLanguageFile;  // program folder & "\Lang\English.INI"
inline std::string strPassword;      // the stored settings password; "" = none
inline bool blnLoggedIn = false;

// Puts the globals above back to their start values.
void ResetWizardGlobals();

// Fills the path globals (the settings files, the system directory and the
// language file).
void SetPaths();

// Ends the wizard. Everything that ends the program goes through here, so a
// test can see the end; a test's handler returns, and the caller then leaves
// its procedure at once.
void EndWizard();
void setEndWizardHandler(std::function<void()> handler);

// Ends the program with a message when the password file is missing.
// Returns true when the wizard may go on.
bool CheckPasswordFile();
// The stored password, when the password file and its registry copy agree.
// Otherwise the program ends with a message and the result is empty. The
// file is read whole: it holds exactly one line.
std::optional<std::string> GetStoredPassword();

// The text of `key` in the wizard's section of the language file, or
// `defaultText` when the key is not there.
std::string GetLangString(const std::string& key, const std::string& defaultText);

// Appends the wizard's error-log line to Err.log in the program folder:
// label ":---->" number "," description "," " On " date " " time.
// SetPaths makes it the layout of every line the program logs, so the
// shared error boundary writes it too.
void WriteErrorLog(int number, const std::string& description, const std::string& label);

// ---------------------------------------------------------------------------
// Writing the first configuration.

// Right codes as the settings files hold them: "Allow" 0, "Block" 1, "Ask" 2,
// compared without regard to case; any other text 0.
long PermissionCode(const std::string& right);

// One program as the wizard's list shows it.
struct WizardProgram {
  std::string name;    // display name, the section name
  std::string path;    // full path of the program file
  std::string access;  // "Allow", "Block" or "Ask"
  std::string server;
  std::string role;    // for a default program: what it stands for
};

// What a default program stands for, as its label on the programs page says.
inline const std::string RoleWebBrowser = "Default web browser";
inline const std::string RoleNetworkComponent = "System network component";

// What the user chose on the pages.
struct WizardChoices {
  int AlertChoice = 1;              // 1 alerts shown, 0 not
  std::string NewPassword;          // "" = keep the stored password
  int ProgramChoice = 1;            // 1 default programs, 2 none, 3 the list
  std::vector<WizardProgram> defaults;  // the default programs the page named
  std::vector<WizardProgram> programs;  // the list of page 6, in list order
};

// Rewrites the thirteen settings files from the built-in defaults, each in
// one replace (inside a change, held with it). False (logged) when one could
// not be written; failedFile then names it, and later files are not reached.
bool ReloadProfiles(std::string* failedFile = nullptr);

// Writes the password file and its registry copy together (inside a change,
// held with it), so that they never disagree. False when they could not be
// written, both as they were; failedFile then names the file.
bool SavePassword(const std::string& password, std::string* failedFile = nullptr);

// Writes one program section of ProgramControl.MVL: the section emptied and
// its fifteen keys in their order. Throws when the file cannot be written.
void WriteProgramEntry(const std::string& name, const std::string& path, const std::string& version,
                       long accessCode, long serverCode);

// The three default programs: the two system network components and the
// desktop's web browser, as far as the machine has them. Each comes with its
// display name (the file's description, else its file name).
std::vector<WizardProgram> DefaultPrograms();
// Writes the default programs' sections, each with every right Allow.
void AddDefaultPrograms(const std::vector<WizardProgram>& defaults);
// Writes one section per program of the list, in list order.
void SaveProgramList(const std::vector<WizardProgram>& programs);

// What Finish came to.
struct FinishOutcome {
  bool stored = false;   // the configuration is in the files, or the next start completes it
  std::string message;   // "" when everything was written; else what to tell the user
  bool frontEndRunning = false;  // nothing was written because the front end runs on the folder
};

// What a Finish refused for the running front end tells the user.
inline const std::string FrontEndRunningText =
    "Morvantis is running on these settings. It reads them only when it starts, so the setup cannot be "
    "saved while it runs.\r\nPlease exit Morvantis first (Exit in the menu of its icon in the system tray, "
    "or File > Exit in its window), then press Finish again.\r\nNothing was changed: your choices are kept.";

// Finishes the wizard: the defaults, the password, the alert switch and the
// programs, stored together. When one file cannot be written nothing is
// stored, and the message (also logged) names the file, or says that another
// Morvantis program is saving the settings when it held them too long. While
// the front end runs on the program folder nothing is written at all.
FinishOutcome saveStartupWizardSettings(const WizardChoices& choices);

// The display name of a program file as the wizard lists it: the file's
// description, or its file name when it has none; brackets become
// parentheses and control characters "_", so the name can name a section.
std::string ProgramDisplayName(const std::string& path);

}  // namespace mv::wizard
