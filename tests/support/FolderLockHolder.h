#pragma once
// Another process that holds the program folder's write lock, as a program
// that hung in its write does, or as one that took it for a change it has
// not yet finished, until the test lets it go; and another process that
// tells whether the lock is free.
#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>

namespace mvtest {

class FolderLockHolder {
 public:
  // Starts a child process (a fork of this one, in the same program folder)
  // that takes the folder's write lock; returns once the child holds it or
  // has ended without it (held() tells which). Let go, the child makes
  // `change` (when given) before it gives the lock up: another program's
  // change paused after it took the lock and before its first write.
  FolderLockHolder() : FolderLockHolder({}, {}) {}
  explicit FolderLockHolder(std::function<bool()> change) : FolderLockHolder({}, std::move(change)) {}
  // The same, with a change of several writes stopped half-way: `before`
  // runs once the child took the lock, `after` once it is let go, before it
  // gives the lock up. A step that answers false ends the child in failure.
  FolderLockHolder(std::function<bool()> before, std::function<bool()> after);
  // Lets the child go when release() was not called.
  ~FolderLockHolder();
  FolderLockHolder(const FolderLockHolder&) = delete;
  FolderLockHolder& operator=(const FolderLockHolder&) = delete;

  bool held() const { return held_; }
  // Lets the child make its change, give the lock up and end, and waits for
  // its end. True when it held the lock until then, made its change and
  // ended normally.
  bool release();

 private:
  pid_t child_ = -1;
  int go_ = -1;  // written to let the child go
  bool held_ = false;
};

// True when the process `pid` waits for a lock on the file or folder
// `native` that another process holds (a waiter's line in the kernel's table
// of locks: its process, and the device and inode of the locked file).
bool waitsForTheLockOn(pid_t pid, const std::string& native);
// Waits until the process waits for the lock on `native`; false when it did
// not within half a minute.
bool untilItWaitsForTheLockOn(pid_t pid, const std::string& native);

// Runs `action` in this process while `holder` keeps the lock, and lets the
// holder go as soon as this process waits for the lock (as the kernel's list
// of locks shows), or after `action` when it never waited. True when the
// holder was let go while `action` waited.
bool releaseWhenAwaited(FolderLockHolder& holder, const std::function<void()>& action);

// A child process (a fork of this one, made while this one holds nothing)
// that, each time it is asked, tries to take the folder's write lock without
// waiting and lets it go again: what another program would find right then.
class FolderLockProbe {
 public:
  FolderLockProbe();
  ~FolderLockProbe();
  FolderLockProbe(const FolderLockProbe&) = delete;
  FolderLockProbe& operator=(const FolderLockProbe&) = delete;

  // True when the child could take the lock now.
  bool lockFree();

 private:
  pid_t child_ = -1;
  int ask_ = -1, answer_ = -1;
};

}  // namespace mvtest
