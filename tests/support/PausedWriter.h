#pragma once
// Another process (a fork of this one, in the same program folder) whose
// change of the settings stops half-way, holding the folder's lock, as a
// program that hung in its write does.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

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

}  // namespace mvtest
