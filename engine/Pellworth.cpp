// The stand-in engine's companion process. It runs until it is ended and
// counts its starts in a file beside it, so a restart can be seen from
// outside. It lets go of every descriptor it inherited, so it never keeps a
// parent's pipe open after the parent's command has ended.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "engine/EngineFiles.h"

namespace {

const char* const kStartsFile = "Pellworth.starts";

void closeInheritedDescriptors() {
  if (::close_range(3, ~0u, 0) == 0) return;
  rlimit lim{};
  int top = ::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < 65536 ? static_cast<int>(lim.rlim_cur) : 65536;
  for (int fd = 3; fd < top; ++fd) ::close(fd);
}

void detachStandardStreams() {
  int nullFd = ::open("/dev/null", O_RDWR);
  if (nullFd < 0) return;
  for (int fd = 0; fd <= 2; ++fd) ::dup2(nullFd, fd);
  if (nullFd > 2) ::close(nullFd);
}

void onTerminate(int) { ::_exit(0); }

// Ends cleanly on SIGTERM whatever dispositions and mask the parent left.
void handleTermination() {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction sa {};
  sa.sa_handler = onTerminate;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGHUP, SIG_DFL);
}

// Adds one to the number in the starts file; the lock keeps two starts at
// the same moment from counting once.
void countStart() {
  std::string path = mvengine::executableFolder() + "/" + kStartsFile;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ::flock(fd, LOCK_EX);
  char buf[32] = {};
  ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  long count = n > 0 ? std::strtol(buf, nullptr, 10) : 0;
  std::string text = std::to_string(count + 1) + "\n";
  if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) < 0) {
    // Nothing to report to: the streams go nowhere.
  }
  ::close(fd);  // releases the lock
}

}  // namespace

int main() {
  closeInheritedDescriptors();
  detachStandardStreams();
  handleTermination();
  countStart();
  for (;;) ::pause();
}
