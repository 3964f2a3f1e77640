#include "tests/support/FolderLockHolder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ChangeRecord.h"
#include "platform/Paths.h"

namespace mvtest {

namespace {
// Two pipes, or none.
bool twoPipes(int first[2], int second[2]) {
  if (::pipe(first) != 0) return false;
  if (::pipe(second) == 0) return true;
  ::close(first[0]);
  ::close(first[1]);
  return false;
}
}  // namespace

FolderLockHolder::FolderLockHolder(std::function<bool()> before, std::function<bool()> after) {
  int go[2], ready[2];
  if (!twoPipes(go, ready)) return;
  child_ = ::fork();
  if (child_ == 0) {
    // Ends with _exit, as a killed process does: the lock goes with it.
    mv::platform::FolderWriteLock lock;
    char c = 0;
    if (!lock.held()) ::_exit(4);
    if (before && !before()) ::_exit(5);
    if (::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(4);
    if (after && !after()) ::_exit(5);
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

bool waitsForTheLockOn(pid_t pid, const std::string& native) {
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) return false;
  std::ifstream locks("/proc/locks");
  const std::string owner = std::to_string(pid), inode = std::to_string(st.st_ino);
  for (std::string line; std::getline(locks, line);) {
    std::istringstream words(line);
    std::string number, arrow, kind, advice, mode, process, file;
    if (!(words >> number >> arrow >> kind >> advice >> mode >> process >> file)) continue;
    if (arrow == "->" && process == owner && file.substr(file.rfind(':') + 1) == inode) return true;
  }
  return false;
}

bool untilItWaitsForTheLockOn(pid_t pid, const std::string& native) {
  for (int i = 0; i < 3000 && !waitsForTheLockOn(pid, native); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return waitsForTheLockOn(pid, native);
}

bool releaseWhenAwaited(FolderLockHolder& holder, const std::function<void()>& action) {
  const std::string folder = mv::platform::programFolder();
  std::atomic<bool> done{false}, awaited{false};
  std::thread watcher([&] {
    while (!done) {
      if (waitsForTheLockOn(::getpid(), folder)) {
        awaited = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    holder.release();
  });
  action();
  done = true;
  watcher.join();
  return awaited;
}


FolderLockProbe::FolderLockProbe() {
  int ask[2], answer[2];
  if (!twoPipes(ask, answer)) return;
  child_ = ::fork();
  if (child_ == 0) {
    ::close(ask[1]);
    ::close(answer[0]);
    char c = 0;
    // Asked until the test closes its end.
    while (::read(ask[0], &c, 1) == 1) {
      c = mv::platform::FolderWriteLock(std::chrono::milliseconds(0)).held() ? 1 : 0;
      if (::write(answer[1], &c, 1) != 1) break;
    }
    ::_exit(0);
  }
  ::close(ask[0]);
  ::close(answer[1]);
  ask_ = ask[1];
  answer_ = answer[0];
}

FolderLockProbe::~FolderLockProbe() {
  if (ask_ >= 0) ::close(ask_);
  if (answer_ >= 0) ::close(answer_);
  if (child_ > 0) ::waitpid(child_, nullptr, 0);
}

bool FolderLockProbe::lockFree() {
  char c = 0;
  return child_ > 0 && ::write(ask_, &c, 1) == 1 && ::read(answer_, &c, 1) == 1 && c == 1;
}

}  // namespace mvtest
