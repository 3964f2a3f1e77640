#pragma once
// Programs of the machine that a first configuration allows from the start:
// the desktop's default web browser and the system's own network programs.
// Each comes through a function that tests can replace.
#include <functional>
#include <string>
#include <vector>

namespace mv::platform {

// The program file of the desktop's default web browser (a native path), ""
// when none can be found. Looked up in the desktop's list of default
// applications (the handler of "http" web addresses), then in the system's
// choice of web browser.
std::string defaultWebBrowser();
// Replaces the search (tests); an empty function puts it back.
void setDefaultWebBrowserFinder(std::function<std::string()> finder);

// The program files of the system's service manager and of its network
// manager, those that exist, in that order.
std::vector<std::string> systemNetworkComponents();
void setSystemNetworkComponentsFinder(std::function<std::vector<std::string>()> finder);

// The program that a desktop entry (".desktop" file) starts: the first word
// of its Exec line, looked up in PATH when it is not a full path; "" when it
// names none that exists.
std::string desktopEntryProgram(const std::string& desktopFileText, const std::string& pathVariable);

}  // namespace mv::platform
