#pragma once
// Paths, the diagnostic logs and the small shared operations of the start-up
// module.
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace mv {

// Application title, as the message boxes and the run-at-start-up entry use it.
inline const std::string AppTitle = "Morvantis";
inline const std::string AppEXEName = "Morvantis";
// The program's version: major and minor number.
inline constexpr int AppMajorVersion = 1;
inline constexpr int AppMinorVersion = 0;
// The program folder (App.Path): native, without a trailing separator.
std::string AppPath();

// Path globals, set once at start-up.
inline std::string strSystemDir;
inline std::string strPellworthPath;
inline std::string strEngineLogPath;
inline std::string strLanguageFile;
inline std::string strToolTipFile;
inline std::string strProfilePath;
inline std::string strProgramControlFile;
inline std::string strComponentsFile;
inline std::string strProgramMainFile;
inline std::string strAlertsSettingFile;
inline std::string strQTRLogFile;
inline std::string strHomePageURL;
inline std::string strHelpURL;
inline std::string strSupportMail;

// True once start-up has shown the main window.
inline bool blnStarted = false;
// Set to 1 when the plain alert log, respectively qtrLogs.MVL, can be written.
inline int blnLogFileWritable = 0;
inline int blnQTRLogWritable = 0;

// The thirteen settings files, in their fixed order.
extern const std::vector<std::string> varSettingsFiles;

// Sets the path globals from the program folder (without the check for the
// engine's program or any message): the part of start-up the stores need.
void SetPathGlobals();

// Appends "date time  text: description" to Err.log in the program folder.
void WriteErrorLog(const std::string& description, const std::string& errorText);
void WriteErrorLog(const std::exception& error, const std::string& errorText);
// The layout of one Err.log line, without its line end, from the error's
// number (0 when it has none), its description and the procedure text. Each
// program has its own; an empty layout puts the front end's back.
using ErrorLogLayout =
    std::function<std::string(int number, const std::string& description, const std::string& errorText)>;
void SetErrorLogLayout(ErrorLogLayout layout);
// Appends the text as one line to Pipe.log in the program folder.
void AddLineInPipeLog(const std::string& text);
// Opens a web or mail address or a folder with the desktop's handler without
// waiting for it; when none can be started, or the handler ends with an
// error, the user is told, naming `shown`.
void OpenWithDesktop(const std::string& target, const std::string& shown);
// Creates the file empty (an existing file is emptied).
void generateBlankFile(const std::string& path);
// 1 when the file is read-only, 0 otherwise (0 after a logged error).
long GetFileAttrib(const std::string& path);
// The upper bound of a list, 0 for an empty one.
template <class T>
long SafeUBound(const std::vector<T>& list) {
  return list.empty() ? 0 : static_cast<long>(list.size()) - 1;
}

// The built-in default of a settings file or rule template: the resource's
// bytes without its last byte. Empty when there is no such resource.
std::string BuiltinDefaultText(const std::string& name);
// The bytes of a settings file as its built-in default lays it down: the
// default's text and one line end.
std::string BuiltinDefaultFile(const std::string& name);
// Writes the built-in default of the settings file over the file in the
// Profiles folder, in one step; false when it could not be written.
bool WriteBuiltinDefault(const std::string& name);

// Why a change was not stored, to follow "could not be saved": " in
// <file>", the file shown as the user finds it, or, when the folder's lock
// was refused, ": " and LockRefusalText() (no file is at fault then).
std::string NotSavedPlace(const std::string& file);
inline constexpr const char* kOtherProgramSaving = "another Morvantis program is saving the settings";
// "the record of an unfinished change (<record>) cannot be read (<reason>)"
// while it could not be read when the folder's lock was last taken, else "".
std::string ChangeRecordUnreadText();
// "an earlier change, recorded to be completed, still could not be completed
// in <files>" while the record's completion failed again when the folder's
// lock was last taken, else "".
std::string ChangeRecordKeptText();
// Why the folder's lock was refused to the last taking (or to the user
// action under way, after its wait ran out): ChangeRecordUnreadText(),
// ChangeRecordKeptText(), or kOtherProgramSaving; "" when it was not.
std::string LockRefusalText();
// The Err.log text of a write of `file` that failed: "Path/File access
// error (<file>)", or, when the folder's lock was refused, why, so that no
// file is blamed for another program's saving or a record's state.
std::string FileAccessErrorText(const std::string& file);
// What a change whose put-back failed leaves to do.
inline constexpr const char* kCompletedLater =
    "The change will be completed when the settings are next saved, or at the next start.";
// The message that a change was not stored: "<what> could not be saved" and
// its place; when its record stays on disk, that it will be completed.
std::string NotSavedText(const std::string& what, const std::string& file);

// Ends every running Pellworth.exe started from the program folder and, when
// `start` is set, starts it again (the program ends when it is missing).
void Pellworth(bool start);
// Ends the program with "Some files are missing." when Pellworth.exe is not
// in the program folder.
void RequirePellworth();
// Ends one process; a failure shows the system's text for it.
void KillProcess(int processId);
void ShowLastError(const std::string& systemText);

// Start-up: the whole sequence, the paths, the settings of every subsystem,
// and the two alert logs.
void Main();
void initPath();
void InitAllPath();
// Removes the temporary files that interrupted writes of the settings layer
// left in the profile, system, rule-file and program folders.
void RemoveStaleTemporaryFiles();
// A signal to end (SIGTERM, SIGINT, SIGHUP), from the event loop: runs the
// shut-down sequence once no engine operation is under way (false until then).
bool EndOnSignal(int signal);
bool openLogFiles();

// Re-creates every missing or damaged settings file from its built-in default
// (a damaged one is first renamed to NAME.damaged and logged); true when at
// least one was missing or damaged.
bool checkIsMorvantisCorrupted();

}  // namespace mv
