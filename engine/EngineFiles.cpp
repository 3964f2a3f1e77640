#include "engine/EngineFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

namespace mvengine {
namespace {

// The entry of `folder` whose name equals `name` without regard to case; the
// exact name wins when both spellings exist.
std::string matchName(const std::string& folder, const std::string& name) {
  struct stat st;
  if (::stat((folder + "/" + name).c_str(), &st) == 0) return name;
  std::string found = name;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      if (::strcasecmp(e->d_name, name.c_str()) == 0) {
        found = e->d_name;
        break;
      }
    }
    ::closedir(dir);
  }
  return found;
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string executableFolder() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  std::string path(buf.data(), static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string findPath(const std::string& base, const std::string& relative) {
  std::string path = base;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    std::string name = relative.substr(start, end - start);
    if (!name.empty()) path += "/" + matchName(path, name);
    start = end + 1;
  }
  return path;
}

bool readFile(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {  // a folder opens but cannot be read
      ::close(fd);
      out.clear();
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool writeFileAtomic(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = writeAll(fd, text);
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

bool makeFolders(const std::string& path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      std::string part = path.substr(0, pos);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string localTimeText(const char* format) {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&t, &local);
  char buf[64];
  return std::strftime(buf, sizeof buf, format, &local) ? buf : "";
}

std::string todayStamp() { return localTimeText("%Y%m%d"); }

std::string eventLogPath(const std::string& systemDir, const std::string& day, bool secondLog) {
  return findPath(systemDir, "logfiles/mvd") + "/" + day + (secondLog ? "i.log" : ".log");
}

}  // namespace mvengine
