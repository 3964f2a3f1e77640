#pragma once
// Starting a program when the user logs in to the desktop: a freedesktop
// autostart entry, a desktop entry file in the folder "autostart" under the
// user's configuration folder ($XDG_CONFIG_HOME, or ~/.config when that is
// unset or not an absolute path; the home folder is $HOME, else the user's
// own in the user database).
//
// Each program has an entry of its own, named after the application and the
// program's path: NAME-XXXXXXXXXXXX.desktop, the X being the first twelve
// hexadecimal digits of the SHA-256 of the program's native path. Two
// program folders of one user therefore keep two entries, and a program
// folder that is copied or moved writes a new one for its new place.
//
// The desktop does not start a program whose path holds "%" or is not UTF-8
// when an entry names it directly: such a program is named through a
// symbolic link in a folder beside the entry, NAME-XXXXXXXXXXXX/, the link
// bearing the program's own file name, so that the process started through
// it has the program's name.
#include <string>

namespace mv::platform {

// The user's configuration folder (native, no trailing separator).
std::string userConfigFolder();

// The native path of the entry that starts `program` (a native path).
std::string autostartEntryFile(const std::string& name, const std::string& program);

// Writes the entry that starts `program` at login, shown to the user as
// `name`, creating the folders it needs; false when it could not be written,
// or when no entry can start the program (its path and the link's path both
// hold "%" or are not UTF-8).
bool writeAutostartEntry(const std::string& name, const std::string& program);

// Removes the entry and its link, and the link's folder when nothing else
// is in it; true when neither the entry nor the link is left.
bool removeAutostartEntry(const std::string& name, const std::string& program);

}  // namespace mv::platform
