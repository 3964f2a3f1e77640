#pragma once
// The properties sheet of a file as a window of its own, not owned by any of
// the program's windows, showing the file's name, folder, size, times and
// read-only attribute. The forms layer installs it as the shell's sheet
// (platform/Shell.h).
#include <string>

namespace mv::platform {

// Opens the sheet without waiting for it to close; false when the file
// cannot be read or no window can be shown.
bool showQtPropertiesSheet(const std::string& path);

}  // namespace mv::platform
