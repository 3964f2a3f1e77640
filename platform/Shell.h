#pragma once
// The desktop's shell: opening a web address, a mail address or a folder with
// the desktop's handler, and a file's properties sheet. Each goes through one
// replaceable function.
//
// The openers never wait for the program they start (a handler may run as
// long as the browser it opens): they return once it runs, and when it later
// ends with an error exit code (the desktop found no handler, say), the
// `failed` function they were given runs then, from the event loop.
#include <functional>
#include <string>

namespace mv::platform {

using LaterFailure = std::function<void()>;

// False when the desktop's handler could not be started.
bool shellOpen(const std::string& target, LaterFailure failed);
// Replaces the opener (tests): the replacement's answer is whether it
// started; an empty handler puts the real one back.
void setShellOpenHandler(std::function<bool(const std::string&)> handler);

// Opens a file in the desktop's text viewer: the viewer is started with the
// path as its one argument (never through a command line). False when no
// viewer could be started.
bool openTextViewer(const std::string& path, LaterFailure failed);
// Replaces the viewer (tests); an empty handler puts the real one back.
void setTextViewerHandler(std::function<bool(const std::string& path)> handler);

using PropertiesSheetHandler = std::function<bool(const std::string& path)>;
// Opens the file's properties sheet without waiting for it to close; false
// when the file cannot be read or no sheet can be shown.
bool showPropertiesSheet(const std::string& path);
// Replaces the sheet (tests); an empty handler puts the installed one back.
void setPropertiesSheetHandler(PropertiesSheetHandler handler);
// The forms layer's sheet.
void installPropertiesSheet(PropertiesSheetHandler handler);

}  // namespace mv::platform
