#pragma once
// Another process that holds the program folder's write lock, as a program
// that hung in its write does, until the test lets it go; and another
// process that tells whether the lock is free.
#include <sys/types.h>

#include <functional>

namespace mvtest {

class FolderLockHolder {
 public:
  // Starts a child process (a fork of this one, in the same program folder)
  // that takes the folder's write lock; returns once the child holds it or
  // has ended without it (held() tells which).
  FolderLockHolder() : FolderLockHolder({}, {}) {}
  // The same, and the child makes a change of several writes while it holds
  // the lock, stopped half-way: `before` runs once it took the lock, `after`
  // once it is let go, before it gives the lock up.
  FolderLockHolder(const std::function<void()>& before, const std::function<void()>& after);
  // Lets the child go when release() was not called.
  ~FolderLockHolder();
  FolderLockHolder(const FolderLockHolder&) = delete;
  FolderLockHolder& operator=(const FolderLockHolder&) = delete;

  bool held() const { return held_; }
  // Lets the child give the lock up and end, and waits for its end. True
  // when it held the lock until then and ended normally.
  bool release();

 private:
  pid_t child_ = -1;
  int go_ = -1;  // written to let the child go
  bool held_ = false;
};

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
