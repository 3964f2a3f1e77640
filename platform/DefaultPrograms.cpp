#include "platform/DefaultPrograms.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Process.h"
#include "platform/Seam.h"

namespace mv::platform {

namespace fs = std::filesystem;

namespace {


std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return "";
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, by))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// The real file behind a path (links followed), "" when it is no program.
std::string programFile(const fs::path& p) {
  std::error_code ec;
  fs::path real = fs::canonical(p, ec);
  return !ec && isRunnableFile(real) ? real.string() : "";
}

// The desktop's folders of one kind: the user's own (the variable `home`,
// else `homeDefault` under the home folder), then the system's (the list in
// `system`, else `systemDefault`).
std::vector<fs::path> desktopDirs(const char* home, const char* homeDefault, const char* system,
                                  const char* systemDefault) {
  std::vector<fs::path> dirs;
  std::string own = env(home);
  if (own.empty() && !env("HOME").empty()) own = env("HOME") + homeDefault;
  if (!own.empty()) dirs.emplace_back(own);
  std::string shared = env(system);
  for (const auto& d : split(shared.empty() ? systemDefault : shared, ':')) dirs.emplace_back(d);
  return dirs;
}
std::vector<fs::path> dataDirs() {
  return desktopDirs("XDG_DATA_HOME", "/.local/share", "XDG_DATA_DIRS", "/usr/local/share:/usr/share");
}
std::vector<fs::path> configDirs() { return desktopDirs("XDG_CONFIG_HOME", "/.config", "XDG_CONFIG_DIRS", "/etc/xdg"); }

// The desktop entries named for "x-scheme-handler/http" in the lists of
// default applications, the user's first.
std::vector<std::string> httpHandlers() {
  std::vector<fs::path> lists;
  for (const auto& d : configDirs()) lists.push_back(d / "mimeapps.list");
  for (const auto& d : dataDirs()) {
    lists.push_back(d / "applications" / "mimeapps.list");
    lists.push_back(d / "applications" / "defaults.list");
  }
  std::vector<std::string> names;
  for (const auto& list : lists) {
    bool inDefaults = false;
    std::istringstream in(readAll(list));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line.front() == '[') {
        inDefaults = line == "[Default Applications]";
        continue;
      }
      const std::string key = "x-scheme-handler/http=";
      if (inDefaults && line.rfind(key, 0) == 0)
        for (const auto& n : split(line.substr(key.size()), ';')) names.push_back(n);
    }
  }
  return names;
}

std::string findBrowser() {
  for (const std::string& entry : httpHandlers())
    for (const auto& d : dataDirs()) {
      std::string text = readAll(d / "applications" / entry);
      if (text.empty()) continue;
      std::string program = desktopEntryProgram(text, env("PATH"));
      if (!program.empty()) return program;
    }
  // The system's choice of web browser (Debian's alternatives).
  return programFile("/etc/alternatives/x-www-browser");
}

std::vector<std::string> findComponents() {
  std::vector<std::string> found;
  auto first = [&](std::initializer_list<const char*> candidates) {
    for (const char* c : candidates) {
      std::string p = programFile(c);
      if (!p.empty()) {
        found.push_back(p);
        return;
      }
    }
  };
  first({"/sbin/init", "/lib/systemd/systemd", "/usr/lib/systemd/systemd"});
  first({"/usr/sbin/NetworkManager", "/lib/systemd/systemd-networkd", "/usr/lib/systemd/systemd-networkd",
         "/usr/sbin/connmand", "/sbin/dhclient", "/usr/sbin/dhcpcd"});
  return found;
}

Seam<std::string()>& browserFinder() {
  static Seam<std::string()> seam(findBrowser);
  return seam;
}
Seam<std::vector<std::string>()>& componentsFinder() {
  static Seam<std::vector<std::string>()> seam(findComponents);
  return seam;
}

}  // namespace

std::string desktopEntryProgram(const std::string& desktopFileText, const std::string& pathVariable) {
  std::istringstream in(desktopFileText);
  std::string line;
  bool inEntry = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry || line.rfind("Exec=", 0) != 0) continue;
    std::string command = line.substr(5);
    std::string word;
    if (!command.empty() && command.front() == '"') {
      size_t end = command.find('"', 1);
      word = command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    } else {
      word = command.substr(0, command.find(' '));
    }
    if (word.empty()) return "";
    if (word.find('/') != std::string::npos) return programFile(word);
    const std::string found = findOnPath(word, pathVariable);
    return found.empty() ? "" : programFile(found);
  }
  return "";
}

std::string defaultWebBrowser() { return browserFinder()(); }
void setDefaultWebBrowserFinder(std::function<std::string()> finder) { browserFinder().replace(std::move(finder)); }

std::vector<std::string> systemNetworkComponents() { return componentsFinder()(); }
void setSystemNetworkComponentsFinder(std::function<std::vector<std::string>()> finder) {
  componentsFinder().replace(std::move(finder));
}

}  // namespace mv::platform
