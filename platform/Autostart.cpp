#include "platform/Autostart.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/QtText.h"

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
// characters that the quoting reserves escaped by a backslash.
std::string execWord(const std::string& program) {
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// Whether an Exec line can name the program as it stands. An entry holds
// UTF-8 text only, and the desktop's readers (GLib's among them) look for
// the program an Exec line names before they turn "%%" into "%": a program
// named with a "%" is not found, and the entry starts nothing.
bool execCanName(const std::string& program) {
  return program.find('%') == std::string::npos && isUtf8(program);
}

// The home folder: $HOME, else the user's entry in the user database, else
// the root folder, as the desktop's readers find it.
std::string homeFolder() {
  const std::string home = env("HOME");
  if (!home.empty() && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd user {};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &user, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return "/";
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

std::string autostartFolder() { return userConfigFolder() + "/autostart"; }

// The entry's path without its ending ".desktop": the name of the folder
// that holds the link standing for a program no Exec line can name.
std::string entryStem(const std::string& name, const std::string& program) {
  const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(program), QCryptographicHash::Sha256);
  return autostartFolder() + "/" + name + "-" + digest.toHex().left(12).toStdString();
}

// The link inside that folder. It bears the program's own file name, which
// a process started through it takes as its name (so `pidof` and `kill`
// find it as they find the program started directly); a file name that an
// Exec line cannot hold gives way to the application's name.
std::string linkIn(const std::string& folder, const std::string& name, const std::string& program) {
  const std::string own = program.substr(program.find_last_of('/') + 1);
  return folder + "/" + (!own.empty() && execCanName(own) ? own : name);
}

std::string linkTarget(const std::string& link) {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  return n > 0 && static_cast<std::size_t>(n) < buffer.size() ? std::string(buffer.data(), static_cast<std::size_t>(n))
                                                               : std::string();
}

// Makes `link` a symbolic link to `target` in its folder `folder`, made
// when missing, replacing what stands there in one step. A link of an
// earlier version standing where the folder belongs goes first.
bool placeLink(const std::string& folder, const std::string& link, const std::string& target) {
  if (linkTarget(link) == target) return true;
  struct stat st {};
  if (::lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(folder.c_str()) != 0) return false;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const std::string made = link + ".new";
  ::unlink(made.c_str());
  if (::symlink(target.c_str(), made.c_str()) != 0) return false;
  if (::rename(made.c_str(), link.c_str()) == 0) return true;
  ::unlink(made.c_str());
  return false;
}

// Removes `link` when it is a symbolic link; true when none is left.
bool removeLink(const std::string& link) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
  return !S_ISLNK(st.st_mode) || ::unlink(link.c_str()) == 0;
}

}  // namespace

std::string userConfigFolder() {
  std::string folder = env("XDG_CONFIG_HOME");
  if (folder.empty() || folder[0] != '/') {
    folder = homeFolder();
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    folder += "/.config";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string autostartEntryFile(const std::string& name, const std::string& program) {
  return entryStem(name, program) + ".desktop";
}

bool writeAutostartEntry(const std::string& name, const std::string& program) {
  // A program that no Exec line can name is started through a link in a
  // folder beside its entry; where the link's own path cannot be named
  // either, no entry can start it.
  const std::string stem = entryStem(name, program);
  const std::string link = linkIn(stem, name, program);
  const bool throughLink = !execCanName(program);
  const std::string started = throughLink ? link : program;
  if (!execCanName(started)) return false;
  // The comment names the program; bytes of its path that are not UTF-8
  // show as replacement characters.
  const std::string shown = fromQString(toQString(program));
  const std::string entry = "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=" + entryString(name) + "\n"
                            "Comment=" + entryString("Starts " + name + " from " + shown) + "\n"
                            "Exec=" + entryString(execWord(started)) + "\n"
                            "TryExec=" + entryString(started) + "\n"
                            "Terminal=false\n";
  // Written again at every start: an entry that already holds it is left as
  // it is. The link goes first, so the entry never names a missing one.
  const std::string file = stem + ".desktop";
  std::string now;
  if (readNativeFile(file, now) && now == entry && (!throughLink || linkTarget(link) == program)) return true;
  return makeFolders(autostartFolder()) && (!throughLink || placeLink(stem, link, program)) &&
         writeNativeFileAtomic(file, entry);
}

bool removeAutostartEntry(const std::string& name, const std::string& program) {
  const std::string stem = entryStem(name, program);
  const std::string file = stem + ".desktop";
  // The entry goes first: a link left without it starts nothing. Then the
  // link (and one a write cut short left half-placed) with its folder, or a
  // link of an earlier version in the folder's place.
  if (::unlink(file.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) return false;
  const std::string link = linkIn(stem, name, program);
  if (!removeLink(link) || !removeLink(link + ".new")) return false;
  struct stat st {};
  if (::lstat(stem.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
  if (S_ISLNK(st.st_mode)) return ::unlink(stem.c_str()) == 0;
  // A file of someone else's in the folder keeps the folder; nothing of the
  // entry is left all the same.
  return !S_ISDIR(st.st_mode) || ::rmdir(stem.c_str()) == 0 || errno == ENOTEMPTY || errno == EEXIST;
}

}  // namespace mv::platform
