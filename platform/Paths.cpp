#include "platform/Paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace mv::platform {
namespace {

std::string executableFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string exe(buf, static_cast<size_t>(n));
  auto slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return exe.substr(0, slash);
}

std::string& folderStorage() {
  static std::string folder = executableFolder();
  return folder;
}

bool existsNoFollowErr(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

bool equalsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

// Finds the entry of `dir` whose name equals `name` without regard to case.
bool findNoCase(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return false;
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (equalsNoCase(name, e->d_name)) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  closedir(d);
  return ok;
}

}  // namespace

const std::string& programFolder() { return folderStorage(); }

void setProgramFolder(const std::string& nativeFolder) {
  std::string f = nativeFolder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  folderStorage() = f;
}

std::string systemDirectory() { return programFolder() + "/System32"; }

std::string resolvePath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  bool absolute = !p.empty() && p[0] == '/';
  bool trailing = !p.empty() && p.back() == '/';

  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    if (end > start) parts.push_back(p.substr(start, end - start));
    start = end + 1;
  }

  std::string out = absolute ? "" : ".";
  bool missing = false;  // once a name is missing, the rest is taken as written
  for (const auto& part : parts) {
    std::string candidate = out + "/" + part;
    if (!missing && part != "." && part != ".." && !existsNoFollowErr(candidate)) {
      std::string found;
      if (findNoCase(out.empty() ? "/" : out, part, found))
        candidate = out + "/" + found;
      else
        missing = true;
    }
    out = candidate;
  }
  if (!absolute) out = out.size() > 2 ? out.substr(2) : std::string(".");
  if (out.empty()) out = "/";
  if (trailing && out.back() != '/') out += '/';
  return out;
}

std::string systemPath(const std::string& nativePath) {
  std::string p = nativePath;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::string fileNamePart(const std::string& path) {
  auto pos = path.find_last_of("\\/");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace mv::platform
