#include "platform/Paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <mutex>
#include <unordered_map>
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

std::string lowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The names of one folder by their lower-cased form, as listed at one moment.
struct FolderNames {
  struct timespec changed {};  // the folder's modification time when listed
  dev_t device = 0;
  ino_t inode = 0;
  bool settled = false;  // listed well after its last change (see below)
  std::unordered_map<std::string, std::string> names;
};

// Listings of the folders looked in lately. A listing serves as long as the
// folder's identity and modification time are those it was taken at, so a
// lookup costs one stat instead of a walk over the folder.
struct FolderCache {
  std::mutex lock;
  std::unordered_map<std::string, FolderNames> folders;
};
FolderCache& folderCache() {
  static FolderCache cache;
  return cache;
}
constexpr std::size_t kCachedFolders = 64;
// File systems stamp a change with a coarse clock: a name added within the
// same stamp as the listing would not show in it. A listing taken this long
// after the folder's last change cannot have missed one.
constexpr long kStampSeconds = 2;

bool listFolder(const std::string& dir, FolderNames& listing) {
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  listing.names.clear();
  while (dirent* e = readdir(d)) {
    // The first of two names that differ only in case is the one found.
    listing.names.emplace(lowerCase(e->d_name), e->d_name);
  }
  closedir(d);
  return true;
}

// Finds the entry of `dir` whose name equals `name` without regard to case.
bool findNoCase(const std::string& path, const std::string& name, std::string& found) {
  const std::string dir = path.empty() ? "/" : path;
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  FolderCache& cache = folderCache();
  std::lock_guard<std::mutex> guard(cache.lock);
  auto it = cache.folders.find(dir);
  const bool current = it != cache.folders.end() && it->second.device == st.st_dev && it->second.inode == st.st_ino &&
                       it->second.changed.tv_sec == st.st_mtim.tv_sec &&
                       it->second.changed.tv_nsec == st.st_mtim.tv_nsec;
  if (current && it->second.settled) {
    auto hit = it->second.names.find(lowerCase(name));
    if (hit == it->second.names.end()) return false;
    found = hit->second;
    return true;
  }
  if (it == cache.folders.end()) {
    if (cache.folders.size() >= kCachedFolders) cache.folders.clear();
    it = cache.folders.emplace(dir, FolderNames{}).first;
  }
  FolderNames& listing = it->second;
  if (!listFolder(dir, listing)) {
    cache.folders.erase(it);
    return false;
  }
  listing.changed = st.st_mtim;
  listing.device = st.st_dev;
  listing.inode = st.st_ino;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  listing.settled = now.tv_sec - st.st_mtim.tv_sec > kStampSeconds;
  auto hit = listing.names.find(lowerCase(name));
  if (hit == listing.names.end()) return false;
  found = hit->second;
  return true;
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
  auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
  const bool absolute = !path.empty() && isSeparator(path.front());
  const bool trailing = !path.empty() && isSeparator(path.back());

  // The names of the path, each with whether the operating system gave it
  // (it follows a "/") and so is taken exactly.
  struct Name {
    std::string text;
    bool exact;
  };
  std::vector<Name> names;
  char before = 0;  // the separator before the name being read
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !isSeparator(path[i])) continue;
    if (i > start) names.push_back({path.substr(start, i - start), before == '/'});
    if (i < path.size()) before = path[i];
    start = i + 1;
  }

  std::string out = absolute ? "" : ".";
  bool missing = false;  // once a name is missing, the rest is taken as written
  for (const Name& name : names) {
    std::string candidate = out + "/" + name.text;
    if (!missing && !name.exact && name.text != "." && name.text != ".." && !existsNoFollowErr(candidate)) {
      std::string found;
      if (findNoCase(out.empty() ? "/" : out, name.text, found))
        candidate = out + "/" + found;
      else
        missing = true;
    }
    out = candidate;
  }
  if (!absolute) {
    if (out.size() > 2) out.erase(0, 2);
    else out = ".";
  }
  if (out.empty()) out = "/";
  if (trailing && out.back() != '/') out += '/';
  return out;
}

std::string settingsFolder() { return resolvePath(programFolder() + "\\Profiles"); }

std::vector<std::string> programFileFolders() {
  const std::string system = systemDirectory();
  return {settingsFolder(), system, resolvePath(system + "/config"), resolvePath(system + "\\drivers"),
          resolvePath(system + "\\drivers\\etc")};
}

std::string programsFolder() { return "/usr/bin"; }

std::string systemPath(const std::string& nativePath) { return nativePath; }

std::string folderPart(const std::string& path) {
  auto pos = path.find_last_of("\\/");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string fileNamePart(const std::string& path) {
  auto pos = path.find_last_of("\\/");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string sameNameIn(const std::string& folder, const std::string& path) {
  auto pos = path.find_last_of("\\/");
  const char separator = pos == std::string::npos ? '\\' : path[pos];
  return folder + separator + fileNamePart(path);
}

}  // namespace mv::platform
