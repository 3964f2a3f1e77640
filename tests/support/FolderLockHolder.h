#pragma once
// Another process that holds the program folder's write lock, as a program
// that hung in its write does, or as one that took it for a change it has
// not yet written, until the test lets it go.
#include <sys/types.h>

#include <functional>

namespace mvtest {

class FolderLockHolder {
 public:
  // Starts a child process (a fork of this one, in the same program folder)
  // that takes the folder's write lock; returns once the child holds it or
  // has ended without it (held() tells which). Let go, the child makes
  // `change` (when given) before it gives the lock up: another program's
  // change paused after it took the lock and before its first write.
  FolderLockHolder();
  explicit FolderLockHolder(std::function<bool()> change);
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

// Runs `action` in this process while `holder` keeps the lock, and lets the
// holder go as soon as this process waits for the lock (as the kernel's list
// of locks shows), or after `action` when it never waited. True when the
// holder was let go while `action` waited.
bool releaseWhenAwaited(FolderLockHolder& holder, const std::function<void()>& action);

}  // namespace mvtest
