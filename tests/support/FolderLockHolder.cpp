#include "tests/support/FolderLockHolder.h"

#include <sys/wait.h>
#include <unistd.h>

#include "platform/ChangeRecord.h"

namespace mvtest {

FolderLockHolder::FolderLockHolder() {
  int go[2], ready[2];
  if (::pipe(go) != 0) return;
  if (::pipe(ready) != 0) {
    ::close(go[0]);
    ::close(go[1]);
    return;
  }
  child_ = ::fork();
  if (child_ == 0) {
    // Ends with _exit, as a killed process does: the lock goes with it.
    mv::platform::FolderWriteLock lock;
    char c = 0;
    if (!lock.held() || ::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(4);
    ::_exit(0);
  }
  ::close(go[0]);
  ::close(ready[1]);
  char c = 0;
  // A child that ends without the lock closes its end: the read sees no byte.
  held_ = child_ > 0 && ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  go_ = go[1];
}

FolderLockHolder::~FolderLockHolder() {
  if (child_ > 0) release();
}

bool FolderLockHolder::release() {
  if (child_ <= 0) return false;
  const char c = 0;
  const bool told = ::write(go_, &c, 1) == 1;
  ::close(go_);
  go_ = -1;
  int status = 0;
  const bool ended = ::waitpid(child_, &status, 0) == child_;
  child_ = -1;
  return told && ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace mvtest
