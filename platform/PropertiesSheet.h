#pragma once
// The properties sheet of a file: a window of its own, not owned by any of
// the program's windows, showing the file's name, folder, size, times and
// read-only attribute. It goes through one replaceable function.
#include <functional>
#include <string>

namespace mv::platform {

using PropertiesSheetHandler = std::function<bool(const std::string& path)>;

// Opens the sheet of the file without waiting for it to close; false when
// the file cannot be read or no window can be shown.
bool showPropertiesSheet(const std::string& path);

// Replaces the sheet (tests); an empty handler puts the real one back.
void setPropertiesSheetHandler(PropertiesSheetHandler handler);

}  // namespace mv::platform
