#pragma once
// Program folder, system directory and the resolution of the paths the
// system holds (its own names after "\", matched without regard to case;
// the operating system's after "/", matched exactly) to native paths.
#include <string>
#include <vector>

namespace mv::platform {

// The program folder (App.Path): the executable's folder unless a test or the
// launcher has set another one. Native path, no trailing separator.
const std::string& programFolder();
void setProgramFolder(const std::string& nativeFolder);

// The system directory, without a trailing separator: "System32" under the
// program folder.
std::string systemDirectory();

// The settings folder: "Profiles" in the program folder, as the program's
// writes resolve it (native path).
std::string settingsFolder();

// The folders of the program folder that the program writes its own files
// in, as its writes resolve them (native paths): the settings folder, the
// system directory, and the folders of the registry file and of the rule
// file. Each is one of the program's folders also where it is a link.
std::vector<std::string> programFileFolders();

// The folder of the programs installed for every user (native path): where
// a search for a program to add starts.
std::string programsFolder();

// The path boundary has one function for each direction.
//
// A path says by its separators whose names it holds. A name after "/" is
// one the operating system handed in (a file dialog's answer, the program
// folder read from /proc, a program path from the engine or the process
// list, a path stored in native form): it is used exactly as written. A
// name after "\" (or at the start of a relative path) is one the system
// wrote itself ("Profiles", "logs\Alertlog.txt", "Backup"): it is matched
// without regard to case, as on Windows. So the program folder & "\Logs"
// finds the folder "logs", while "/home/u/Alerts.txt" stays a file of its
// own beside "/home/u/alerts.txt".
//
// In: a path the operating system hands in enters as it came, in native
// form, and so keeps its exact names through every step (splitting at the
// last separator, joining a name the system adds with "\", storing it).
// A name that holds "\" cannot enter whole: the file dialogs refuse it.
std::string systemPath(const std::string& nativePath);

// Out: resolvePath below. Every file operation and every path shown to the
// user (labels, message boxes) goes through it.
//
// Resolves a path as the system holds it (native names after "/", its own
// names after "\") to a native path. Each of the system's own names that
// exists is matched without regard to case; names that do not exist, and
// every name after "/", are kept as written, so a new file is created with
// the name as given.
std::string resolvePath(const std::string& path);

// The folder part of a path, up to and including its last "\" or "/"; ""
// when it has none.
std::string folderPart(const std::string& path);

// The file-name part of a path: the text after its last "\" or "/".
std::string fileNamePart(const std::string& path);

// The file of `path` under another folder, its name joined with the
// separator it had, so that a name the operating system handed in stays
// exact and one of the system's own is still matched without regard to case.
std::string sameNameIn(const std::string& folder, const std::string& path);

}  // namespace mv::platform
