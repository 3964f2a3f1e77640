#pragma once
// Opening a web address, a mail address or a folder with the desktop's
// handler, through one function that tests can replace.
#include <functional>
#include <string>

namespace mv::platform {

void shellOpen(const std::string& target);
void setShellOpenHandler(std::function<void(const std::string&)> handler);

}  // namespace mv::platform
