#pragma once
// Program folder, system directory and the resolution of the Windows-style
// paths the system builds ("\" separators, names matched without regard to
// case) to native paths.
#include <string>

namespace mv::platform {

// The program folder (App.Path): the executable's folder unless a test or the
// launcher has set another one. Native path, no trailing separator.
const std::string& programFolder();
void setProgramFolder(const std::string& nativeFolder);

// The system directory, without a trailing separator: "System32" under the
// program folder.
std::string systemDirectory();

// The folder of the programs installed for every user (native path): where
// a search for a program to add starts.
std::string programsFolder();

// The path boundary has one function for each direction.
//
// In: a path the operating system hands in (a file dialog's answer, the
// program folder read from /proc, an environment value) enters in the
// system's own form, the one it builds itself: every "/" becomes "\", so
// "/home/u/alerts.txt" enters as "\home\u\alerts.txt" and the system's steps
// that split at the last "\" or compare paths work on it unchanged.
std::string systemPath(const std::string& nativePath);

// Out: resolvePath below. Every file operation and every path shown to the
// user (labels, message boxes) goes through it.
//
// Resolves a path as the system writes it ("C:/x\Profiles\a.mvl" style,
// backslashes allowed anywhere) to a native path. Each existing name along the
// path is matched without regard to case; names that do not exist are kept as
// written, so a new file is created with the name as given.
std::string resolvePath(const std::string& path);

// The file-name part of a path: the text after its last "\" or "/".
std::string fileNamePart(const std::string& path);

}  // namespace mv::platform
