#include "platform/Autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace mv::platform {
namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A value of type string in a desktop entry: a backslash is written twice,
// the control characters as their escapes.
std::string entryString(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

// The program as the one word of an Exec line: in double quotes, with the
// characters that the quoting reserves escaped by a backslash, and "%"
// doubled (a field code otherwise).
std::string execWord(const std::string& program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
    if (c == '%') quoted += '%';
  }
  return quoted + "\"";
}

// Creates the folder and the ones above it that are missing, readable by
// the user alone, as the configuration folders are made.
bool makeFolders(const std::string& folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string autostartFolder() {
  const std::string config = userConfigFolder();
  return config.empty() ? std::string() : config + "/autostart";
}

}  // namespace

std::string userConfigFolder() {
  std::string folder = env("XDG_CONFIG_HOME");
  if (folder.empty() || folder[0] != '/') {
    const std::string home = env("HOME");
    folder = home.empty() ? std::string() : home + "/.config";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string autostartEntryFile(const std::string& name, const std::string& program) {
  const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(program), QCryptographicHash::Sha256);
  return autostartFolder() + "/" + name + "-" + digest.toHex().left(12).toStdString() + ".desktop";
}

bool writeAutostartEntry(const std::string& name, const std::string& program) {
  const std::string folder = autostartFolder();
  if (folder.empty()) return false;
  const std::string entry = "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=" + entryString(name) + "\n"
                            "Comment=" + entryString("Starts " + name + " from " + program) + "\n"
                            "Exec=" + entryString(execWord(program)) + "\n"
                            "TryExec=" + entryString(program) + "\n"
                            "Terminal=false\n";
  // Written again at every start: an entry that already holds it is left as
  // it is.
  const std::string file = autostartEntryFile(name, program);
  std::string now;
  if (readNativeFile(file, now) && now == entry) return true;
  return makeFolders(folder) && writeNativeFileAtomic(file, entry);
}

bool removeAutostartEntry(const std::string& name, const std::string& program) {
  if (autostartFolder().empty()) return true;
  const std::string file = autostartEntryFile(name, program);
  return ::unlink(file.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR;
}

}  // namespace mv::platform
