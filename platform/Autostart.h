#pragma once
// Starting a program when the user logs in to the desktop: a freedesktop
// autostart entry, a desktop entry file in the folder "autostart" under the
// user's configuration folder ($XDG_CONFIG_HOME, or ~/.config when that is
// unset or not an absolute path).
//
// Each program has an entry of its own, named after the application and the
// program's path: NAME-XXXXXXXXXXXX.desktop, the X being the first twelve
// hexadecimal digits of the SHA-256 of the program's native path. Two
// program folders of one user therefore keep two entries, and a program
// folder that is copied or moved writes a new one for its new place.
#include <string>

namespace mv::platform {

// The user's configuration folder (native, no trailing separator); "" when
// neither $XDG_CONFIG_HOME nor $HOME names one.
std::string userConfigFolder();

// The native path of the entry that starts `program` (a native path).
std::string autostartEntryFile(const std::string& name, const std::string& program);

// Writes the entry that starts `program` at login, shown to the user as
// `name`, creating the folders it needs; false when it could not be written.
bool writeAutostartEntry(const std::string& name, const std::string& program);

// Removes the entry; true when none is left.
bool removeAutostartEntry(const std::string& name, const std::string& program);

}  // namespace mv::platform
