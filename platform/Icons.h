#pragma once
// The small icon the desktop shows for a file, through one function that
// tests can replace.
#include <QPixmap>
#include <functional>
#include <string>

namespace mv::platform {

// The 16-pixel icon of the file (a path as the system writes it); a null
// pixmap when the file does not exist or the desktop has no icon for it.
QPixmap smallFileIcon(const std::string& path);

using FileIconHandler = std::function<QPixmap(const std::string& path)>;
// Replaces the icon source (tests); an empty handler puts the real one back.
void setFileIconHandler(FileIconHandler handler);

}  // namespace mv::platform
