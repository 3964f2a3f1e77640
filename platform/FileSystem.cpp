#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

#include "platform/Paths.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {
// Writes the pieces one after another, as many in one call as the system
// takes.
bool writeAll(int fd, const std::vector<std::string_view>& pieces) {
  std::vector<struct iovec> left;
  left.reserve(pieces.size());
  for (std::string_view p : pieces)
    if (!p.empty()) left.push_back({const_cast<char*>(p.data()), p.size()});
  size_t first = 0;
  while (first < left.size()) {
    const int count = static_cast<int>(std::min<size_t>(left.size() - first, IOV_MAX));
    ssize_t n = ::writev(fd, left.data() + first, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // Past the pieces written whole, into the one written in part.
    size_t done = static_cast<size_t>(n);
    while (first < left.size() && done >= left[first].iov_len) done -= left[first++].iov_len;
    if (done > 0) {
      left[first].iov_base = static_cast<char*>(left[first].iov_base) + done;
      left[first].iov_len -= done;
    }
  }
  return true;
}

// The folder of a native path ("." for a bare name).
std::string folderOf(const std::string& native) {
  auto slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}


const char* const kTemporaryMark = ".~";

std::string temporaryName(const std::string& native) {
  return native + kTemporaryMark + std::to_string(::getpid());
}

// The writer's process ID of a temporary file's name, or 0 when the name is
// not one of a temporary file.
pid_t temporaryWriter(const std::string& name) {
  auto mark = name.rfind(kTemporaryMark);
  if (mark == std::string::npos || mark == 0) return 0;
  std::string digits = name.substr(mark + 2);
  if (digits.empty() || digits.size() > 9) return 0;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  return static_cast<pid_t>(std::stol(digits));
}

// A temporary file just created is locked by its writer a moment later; one
// younger than this is left alone even when nobody holds it yet.
constexpr long long kNewTemporaryNs = 2000000000LL;

long long nanoseconds(const struct timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

// Makes a rename or removal in the folder durable: without this a power loss
// after it may bring back the old file, or none.
namespace {
Seam<void(const std::string&)>& fileSyncer() {
  static Seam<void(const std::string&)> seam([](const std::string& native) {
    const int fd = ::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  });
  return seam;
}
}  // namespace

void syncNativeFile(const std::string& native) { fileSyncer()(native); }

void setFileSyncer(std::function<void(const std::string&)> syncer) { fileSyncer().replace(std::move(syncer)); }

void syncNativeFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool removeNativeFile(const std::string& native) {
  if (::unlink(native.c_str()) != 0) return errno == ENOENT;
  syncNativeFolder(folderOf(native));
  return true;
}

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(resolvePath(path).c_str(), &st) == 0;
}

bool folderExists(const std::string& path) {
  struct stat st;
  return ::stat(resolvePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolder(const std::string& path) { return ::mkdir(resolvePath(path).c_str(), 0755) == 0; }

bool deleteFile(const std::string& path) { return ::unlink(resolvePath(path).c_str()) == 0; }

bool readNativeFile(const std::string& nativePath, std::string& bytes) {
  int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // The size the file has now in one read, then whatever it gained since.
  struct stat st;
  bytes.assign(::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0, '\0');
  size_t got = 0;
  bool ok = true;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  char buf[65536];
  while (ok) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool readFile(const std::string& path, std::string& bytes) { return readNativeFile(resolvePath(path), bytes); }

FileTail readFileTail(const std::string& path, std::uint64_t offset, std::uint64_t maxBytes) {
  FileTail tail;
  int fd = ::open(resolvePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return tail;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return tail;
  }
  tail.exists = true;
  tail.device = static_cast<std::uint64_t>(st.st_dev);
  tail.inode = static_cast<std::uint64_t>(st.st_ino);
  tail.size = static_cast<std::uint64_t>(st.st_size);
  char buf[65536];
  const std::uint64_t end = offset + std::min(maxBytes, tail.size > offset ? tail.size - offset : 0);
  for (std::uint64_t at = offset; at < end;) {
    const size_t want = static_cast<size_t>(std::min<std::uint64_t>(sizeof buf, end - at));
    ssize_t n = ::pread(fd, buf, want, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    tail.bytes.append(buf, static_cast<size_t>(n));
    at += static_cast<std::uint64_t>(n);
  }
  ::close(fd);
  return tail;
}

FileStamp nativeFileStamp(const std::string& native) {
  FileStamp s;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  s.exists = true;
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.inode = static_cast<std::uint64_t>(st.st_ino);
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.mtimeNs = nanoseconds(st.st_mtim);
  s.ctimeNs = nanoseconds(st.st_ctim);
  return s;
}

namespace {
size_t sizeOf(const std::vector<std::string_view>& pieces) {
  size_t total = 0;
  for (std::string_view p : pieces) total += p.size();
  return total;
}

// The write of writeNativeFileAtomic; with `written`, the new file is signed
// with a modification time of the fine real-time clock and its stamp checked
// after the rename.
bool replaceFile(const std::string& native, const std::vector<std::string_view>& pieces, FileStamp* written) {
  if (written) *written = FileStamp{};
  struct stat st;
  bool exists = ::stat(native.c_str(), &st) == 0;
  if (exists && !(st.st_mode & S_IWUSR)) return false;
  std::string tmp = temporaryName(native);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, exists ? (st.st_mode & 07777) : 0644);
  if (fd < 0) return false;
  // Held until the file is in place (closed after the rename): a temporary
  // file nobody holds is one whose writer was killed.
  ::flock(fd, LOCK_EX);
  bool ok = writeAll(fd, pieces);
  // The signature: the time set here is read from the fine clock, while the
  // kernel stamps every change with the reading of its tick clock. A signed
  // time that happens to be the tick clock's own reading is moved by a
  // nanosecond, so that no change can leave it.
  long long signature = 0;
  ino_t inode = 0;
  if (ok && written) {
    struct timespec fine, coarse;
    ::clock_gettime(CLOCK_REALTIME, &fine);
    ::clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
    if (fine.tv_sec == coarse.tv_sec && fine.tv_nsec == coarse.tv_nsec) {
      if (++fine.tv_nsec == 1000000000L) {
        fine.tv_nsec = 0;
        ++fine.tv_sec;
      }
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, fine};
    struct stat mine;
    if (::futimens(fd, times) == 0 && ::fstat(fd, &mine) == 0) {
      signature = nanoseconds(fine);
      inode = mine.st_ino;
    }
  }
  ok = ok && ::fsync(fd) == 0;
  if (ok && ::rename(tmp.c_str(), native.c_str()) == 0) {
    ::close(fd);
    syncNativeFolder(folderOf(native));
    if (written && signature != 0) {
      // Only the file this call put in place, with the time it set, is
      // reported: a change by anyone since the rename shows in the stamp.
      FileStamp now = nativeFileStamp(native);
      if (now.exists && now.inode == static_cast<std::uint64_t>(inode) && now.mtimeNs == signature &&
          now.size == sizeOf(pieces))
        *written = now;
    }
    return true;
  }
  ::unlink(tmp.c_str());
  ::close(fd);
  return false;
}
}  // namespace

bool writeNativeFileAtomic(const std::string& native, const std::string& bytes) {
  return replaceFile(native, {bytes}, nullptr);
}

bool writeNativeFileAtomic(const std::string& native, const std::string& bytes, FileStamp& written) {
  return replaceFile(native, {bytes}, &written);
}

bool writeFileAtomic(const std::string& path, const std::string& bytes) {
  return writeNativeFileAtomic(resolvePath(path), bytes);
}

bool writeFileAtomic(const std::string& path, const std::vector<std::string_view>& pieces) {
  return replaceFile(resolvePath(path), pieces, nullptr);
}

bool appendToFile(const std::string& path, const std::string& bytes) {
  int fd = ::open(resolvePath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = writeAll(fd, {bytes});
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool truncateFile(const std::string& path, std::uint64_t size) {
  return ::truncate(resolvePath(path).c_str(), static_cast<off_t>(size)) == 0;
}

bool copyFile(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!readFile(from, bytes)) return false;
  return writeFileAtomic(to, bytes);
}

bool renameFile(const std::string& from, const std::string& to) {
  std::string source = resolvePath(from), target = resolvePath(to);
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0) return false;
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  syncNativeFolder(folderOf(target));
  return true;
}

std::vector<std::string> listFiles(const std::string& folder) {
  std::vector<std::string> out;
  std::string native = resolvePath(folder);
  DIR* d = opendir(native.c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::stat((native + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) out.push_back(name);
  }
  closedir(d);
  return out;
}

bool isReadOnlyFile(const std::string& path) {
  struct stat st;
  if (::stat(resolvePath(path).c_str(), &st) != 0) return false;
  return !(st.st_mode & S_IWUSR);
}

bool setReadOnly(const std::string& path, bool readOnly) {
  std::string native = resolvePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return false;
  mode_t m = st.st_mode & 07777;
  m = readOnly ? (m & ~static_cast<mode_t>(0222)) : (m | S_IWUSR);
  return ::chmod(native.c_str(), m) == 0;
}

namespace {
// A temporary file of a killed writer: nobody holds its lock, and it is not
// one just created whose writer is about to take it. The process ID in its
// name says nothing: the writer may run in another PID namespace, where the
// same number names another process, or none.
bool leftOver(const std::string& native) {
  const int fd = ::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (stale) {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    stale = nanoseconds(now) - nanoseconds(st.st_mtim) > kNewTemporaryNs;
  }
  // Removed while the lock is held, so that no writer takes it meanwhile.
  if (stale) stale = ::unlink(native.c_str()) == 0;
  ::close(fd);
  return stale;
}

// A folder's walk enters its folders, and of its links only those that are
// folders the program writes its own files through (`entered`).
int removeStaleIn(const std::string& native, int depth, const std::vector<std::string>& entered) {
  int removed = 0;
  DIR* d = opendir(native.c_str());
  if (!d) return 0;
  std::vector<std::string> folders;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = native + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode) && std::find(entered.begin(), entered.end(), path) != entered.end() &&
        ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      folders.push_back(path);
    } else if (S_ISDIR(st.st_mode)) {
      folders.push_back(path);
    } else if (temporaryWriter(name) > 0 && S_ISREG(st.st_mode) && leftOver(path)) {
      ++removed;
    }
  }
  closedir(d);
  if (depth > 0)
    for (const std::string& f : folders) removed += removeStaleIn(f, depth - 1, entered);
  return removed;
}
}  // namespace

int removeStaleTemporaryFilesOf(const std::string& path) {
  const std::string native = resolvePath(path);
  const std::string folder = folderOf(native), name = native.substr(native.rfind('/') + 1);
  int removed = 0;
  DIR* d = opendir(folder.c_str());
  if (!d) return 0;
  while (dirent* e = readdir(d)) {
    const std::string entry = e->d_name;
    // Only NAME.~digits of this one file.
    if (entry.size() <= name.size() || entry.compare(0, name.size(), name) != 0 ||
        temporaryWriter(entry) <= 0 || entry.rfind(kTemporaryMark) != name.size())
      continue;
    const std::string candidate = folder + "/" + entry;
    struct stat st;
    if (::lstat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && leftOver(candidate)) ++removed;
  }
  closedir(d);
  return removed;
}

// The program folder's tree is a few levels deep; the limit only keeps a
// folder that loops through a bind mount or a link from running away.
int removeStaleTemporaryFilesBelow(const std::string& folder) {
  std::string top = resolvePath(folder);
  while (top.size() > 1 && top.back() == '/') top.pop_back();
  return removeStaleIn(top, 8, programFileFolders());
}

}  // namespace mv::platform
