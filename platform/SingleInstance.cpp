#include "platform/SingleInstance.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Paths.h"

namespace mv::platform {
namespace {
int& lockFd() {
  static int fd = -1;
  return fd;
}

std::string lockPath(const std::string& name) { return programFolder() + "/." + name + ".lock"; }

// The whole file, write-locked. The lock belongs to the open file (an open
// file description lock), so another process can ask whether it is held
// without taking it, which a flock does not allow.
struct flock wholeFile(short type) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = 0;
  range.l_len = 0;
  return range;
}
}  // namespace

bool acquireSingleInstance(const std::string& name) {
  if (lockFd() >= 0) return true;
  int fd = ::open(lockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  short type = F_WRLCK;
  if (fd < 0) {
    // A lock file this user may not write (left by another user) is still
    // locked, for reading: another instance's write lock keeps this one
    // out, and this one's read lock is seen by the wizard's look as well.
    fd = ::open(lockPath(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;  // a folder we cannot lock in does not stop the program
    struct flock other = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_GETLK, &other) == 0 && other.l_type != F_UNLCK) {
      ::close(fd);
      return false;
    }
    type = F_RDLCK;
  }
  struct flock range = wholeFile(type);
  if (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
    const bool taken = errno == EAGAIN || errno == EACCES;
    ::close(fd);
    // Another instance holds it; a file system without locks does not stop
    // the program either.
    return !taken;
  }
  lockFd() = fd;
  return true;
}

void releaseSingleInstance() {
  if (lockFd() < 0) return;
  struct flock range = wholeFile(F_UNLCK);
  ::fcntl(lockFd(), F_OFD_SETLK, &range);
  ::close(lockFd());
  lockFd() = -1;
}

bool instanceRunning(const std::string& name) {
  // No lock file: the program never ran on this folder.
  const int fd = ::open(lockPath(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock range = wholeFile(F_WRLCK);
  const bool held = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

}  // namespace mv::platform
