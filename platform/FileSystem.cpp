#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <signal.h>

#include <cerrno>
#include <cstdio>

#include "platform/Paths.h"

namespace mv::platform {
namespace {
bool writeAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
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

// Makes a rename in the folder durable: without this a power loss after the
// rename may bring back the old file, or none.
void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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

bool processRunning(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

}  // namespace

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
  FILE* f = std::fopen(nativePath.c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
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

bool writeNativeFileAtomic(const std::string& native, const std::string& bytes) {
  struct stat st;
  bool exists = ::stat(native.c_str(), &st) == 0;
  if (exists && !(st.st_mode & S_IWUSR)) return false;
  std::string tmp = temporaryName(native);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, exists ? (st.st_mode & 07777) : 0644);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), native.c_str()) == 0) {
    syncFolder(folderOf(native));
    return true;
  }
  ::unlink(tmp.c_str());
  return false;
}

bool writeFileAtomic(const std::string& path, const std::string& bytes) {
  return writeNativeFileAtomic(resolvePath(path), bytes);
}

bool appendToFile(const std::string& path, const std::string& bytes) {
  int fd = ::open(resolvePath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes);
  if (::close(fd) != 0) ok = false;
  return ok;
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
  syncFolder(folderOf(target));
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

int removeStaleTemporaryFiles(const std::string& folder) {
  int removed = 0;
  const std::string native = resolvePath(folder);
  const pid_t self = ::getpid();
  for (const auto& name : listFiles(folder)) {
    pid_t writer = temporaryWriter(name);
    if (writer <= 0) continue;
    // This process writes nothing while it starts: a file with its own ID is
    // left by an earlier process that had the same ID.
    if (writer != self && processRunning(writer)) continue;
    if (::unlink((native + "/" + name).c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace mv::platform
