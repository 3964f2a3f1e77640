#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/Paths.h"

namespace mv::platform {
namespace {
int& lockFd() {
  static int fd = -1;
  return fd;
}
}  // namespace

bool acquireSingleInstance(const std::string& name) {
  if (lockFd() >= 0) return true;
  std::string path = programFolder() + "/." + name + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return true;  // a folder we cannot lock in does not stop the program
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd() = fd;
  return true;
}

void releaseSingleInstance() {
  if (lockFd() < 0) return;
  ::flock(lockFd(), LOCK_UN);
  ::close(lockFd());
  lockFd() = -1;
}

}  // namespace mv::platform
