#pragma once
// The desktop's shell: opening a web address, a mail address or a folder with
// the desktop's handler, and a file's properties sheet. Each goes through one
// replaceable function.
#include <functional>
#include <string>

namespace mv::platform {

void shellOpen(const std::string& target);
void setShellOpenHandler(std::function<void(const std::string&)> handler);

using PropertiesSheetHandler = std::function<bool(const std::string& path)>;
// Opens the file's properties sheet without waiting for it to close; false
// when the file cannot be read or no sheet can be shown.
bool showPropertiesSheet(const std::string& path);
// Replaces the sheet (tests); an empty handler puts the installed one back.
void setPropertiesSheetHandler(PropertiesSheetHandler handler);
// The forms layer's sheet.
void installPropertiesSheet(PropertiesSheetHandler handler);

}  // namespace mv::platform
