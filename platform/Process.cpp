#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/SessionBusProbe.h"

namespace mv::platform {
namespace {

// How long one wait for output lasts before window events are served again.
constexpr int kPumpIntervalMs = 50;
// The size of one read, as the reader's buffer.
constexpr size_t kReadSize = 1024;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void closeIfOpen(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Ends the command and every process of its group.
void endProcessGroup(pid_t pid) {
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
}

void reap(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Commands that closed their output but had not yet ended when the call
// returned; they are collected without waiting at the next calls.
std::vector<pid_t>& unreaped() {
  static std::vector<pid_t> list;
  return list;
}

void reapFinished() {
  auto& list = unreaped();
  std::erase_if(list, [](pid_t p) { return ::waitpid(p, nullptr, WNOHANG) != 0; });
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(const std::string& program, char* const* argv, char* const* envp, int outFd, bool toOutput,
                            bool toError, int statusFd) {
  ::setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  int nullFd = ::open("/dev/null", O_RDWR);
  ::dup2(nullFd, 0);
  ::dup2(toOutput ? outFd : nullFd, 1);
  ::dup2(toError ? outFd : nullFd, 2);
  // Nothing else of this process reaches the command; the status pipe is
  // closed by exec itself.
  if (statusFd > 3) ::close_range(3, static_cast<unsigned>(statusFd) - 1, 0);
  ::close_range(static_cast<unsigned>(statusFd) + 1, ~0u, 0);
  ::execve(program.c_str(), argv, envp);
  int err = errno;
  ssize_t ignored = ::write(statusFd, &err, sizeof err);
  (void)ignored;
  ::_exit(127);
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  size_t i = 0, n = commandLine.size();
  while (true) {
    while (i < n && isBlank(commandLine[i])) ++i;
    if (i >= n) break;
    std::string word;
    bool quoted = false;
    while (i < n && (quoted || !isBlank(commandLine[i]))) {
      char c = commandLine[i];
      if (c == '\\') {
        size_t slashes = 0;
        while (i < n && commandLine[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && commandLine[i] == '"') {
          word.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            word += '"';
            ++i;
          }
        } else {
          word.append(slashes, '\\');
        }
      } else if (c == '"') {
        // "" inside a quoted part is one literal quote.
        if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
          word += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        word += c;
        ++i;
      }
    }
    words.push_back(word);
  }
  return words;
}

bool isRunnableFile(const std::string& nativePath) {
  struct stat st;
  return ::stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(nativePath.c_str(), X_OK) == 0;
}

std::string findProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find_first_of("\\/") != std::string::npos) {
    std::string native = resolvePath(name);
    return isRunnableFile(native) ? native : "";
  }
  for (const std::string& folder : {programFolder(), systemDirectory()}) {
    // The command's name is the system's own: matched without regard to case.
    std::string native = resolvePath(folder + "\\" + name);
    if (isRunnableFile(native)) return native;
  }
  return findOnPath(name, searchPathVariable());
}

std::string findOnPath(const std::string& name, const std::string& pathVariable) {
  if (pathVariable.empty()) return "";
  size_t start = 0;
  while (start <= pathVariable.size()) {
    size_t end = pathVariable.find(':', start);
    if (end == std::string::npos) end = pathVariable.size();
    std::string folder = end > start ? pathVariable.substr(start, end - start) : ".";
    std::string native = folder + "/" + name;
    if (isRunnableFile(native)) return native;
    start = end + 1;
  }
  return "";
}

std::string searchPathVariable() {
  const char* env = std::getenv("PATH");
  return env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
}

CommandResult runCommand(const std::string& commandLine, bool captureOutput, bool captureError,
                         std::chrono::milliseconds timeLimit) {
  CommandResult result;
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty()) return result;
  std::string program = findProgram(words[0]);
  if (program.empty()) return result;

  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const ChildEnvironment environment;

  int pipeFds[2], statusFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return result;
  if (::pipe2(statusFds, O_CLOEXEC) != 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return result;
  }
  int readFd = pipeFds[0], writeFd = pipeFds[1];

  pid_t pid = ::fork();
  if (pid == 0) execChild(program, argv.data(), environment.envp(), writeFd, captureOutput, captureError, statusFds[1]);
  // The group is set on both sides, so it exists whichever runs first.
  if (pid > 0) ::setpgid(pid, pid);
  closeIfOpen(writeFd);
  ::close(statusFds[1]);
  if (pid < 0) {
    ::close(statusFds[0]);
    closeIfOpen(readFd);
    return result;
  }

  // The status pipe closes on a successful exec; a failed one sends errno.
  int execError = 0;
  ssize_t got;
  do {
    got = ::read(statusFds[0], &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  ::close(statusFds[0]);
  if (got > 0) {
    reap(pid);
    closeIfOpen(readFd);
    return result;
  }

  result.status = CommandStatus::Finished;
  auto deadline = std::chrono::steady_clock::now() + timeLimit;
  char buffer[kReadSize];
  while (true) {
    pumpEvents();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.status = CommandStatus::TimedOut;
      endProcessGroup(pid);
      break;
    }
    pollfd p{readFd, POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), kPumpIntervalMs)));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    ssize_t n = ::read(readFd, buffer, sizeof buffer);
    if (n > 0) {
      result.output.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      break;  // every writer has closed the pipe
    }
  }
  closeIfOpen(readFd);
  // The end of the output is the end of the call: a command still running
  // after closing its output is not waited for.
  if (result.status == CommandStatus::TimedOut)
    reap(pid);
  else
    unreaped().push_back(pid);
  reapFinished();
  return result;
}

}  // namespace mv::platform
