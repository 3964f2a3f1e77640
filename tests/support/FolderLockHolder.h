#pragma once
// Another process that holds the program folder's write lock, as a program
// that hung in its write does, until the test lets it go.
#include <sys/types.h>

namespace mvtest {

class FolderLockHolder {
 public:
  // Starts a child process (a fork of this one, in the same program folder)
  // that takes the folder's write lock; returns once the child holds it or
  // has ended without it (held() tells which).
  FolderLockHolder();
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

}  // namespace mvtest
