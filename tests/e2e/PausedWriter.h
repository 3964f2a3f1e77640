#pragma once
// Other processes at work on the test's program folder: one (a fork of the
// test's) whose change stops after a given write until the test lets it go
// on, as a program caught in the middle of storing a change of several
// files, holding the folder's lock; and the look at whether a process waits
// for a lock.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ChangeRecord.h"
#include "platform/FileSystem.h"

namespace mvtest {

// Another process whose change stops after its write number `pauseAfter`
// until it is told to go on; it ends with 0 when the change was stored.
class PausedWriter {
 public:
  PausedWriter(int pauseAfter, const std::function<bool()>& change) {
    if (::pipe(go_) != 0 || ::pipe(ready_) != 0) return;
    pid_ = ::fork();
    if (pid_ != 0) return;
    int writes = 0;
    mv::platform::setProfileFileWriter([&, pauseAfter](const std::string& native, const std::string& bytes) {
      const bool ok = mv::platform::writeNativeFileAtomic(native, bytes);
      if (++writes == pauseAfter) {
        char c = 0;
        if (::write(ready_[1], &c, 1) != 1 || ::read(go_[0], &c, 1) != 1) ::_exit(4);
      }
      return ok;
    });
    ::_exit(change() ? 0 : 5);
  }
  ~PausedWriter() {
    for (int fd : {go_[0], go_[1], ready_[0], ready_[1]}) ::close(fd);
  }
  // Waits until it stopped; false when it never did.
  bool paused() {
    char c = 0;
    return pid_ > 0 && ::read(ready_[0], &c, 1) == 1;
  }
  void goOn() {
    char c = 0;
    static_cast<void>(::write(go_[1], &c, 1));
  }
  // True when it ended and stored its change.
  bool stored() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  int go_[2] = {-1, -1}, ready_[2] = {-1, -1};
  pid_t pid_ = -1;
};

// True when the process waits for the lock on the file or folder `native`
// that another process holds (a waiter's line in the kernel's table of
// locks: its process, and the device and inode of the locked file).
inline bool waitsForTheLockOn(pid_t pid, const std::string& native) {
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return false;
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream words(line);
    std::string number, arrow, kind, advice, mode, owner, file;
    words >> number >> arrow >> kind >> advice >> mode >> owner >> file;
    if (arrow == "->" && owner == std::to_string(pid) && file.substr(file.rfind(':') + 1) == std::to_string(st.st_ino))
      return true;
  }
  return false;
}

// Waits until the process waits for the lock on `native`; false when it did
// not within half a minute.
inline bool untilItWaitsForTheLockOn(pid_t pid, const std::string& native) {
  for (int i = 0; i < 3000 && !waitsForTheLockOn(pid, native); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return waitsForTheLockOn(pid, native);
}

}  // namespace mvtest
