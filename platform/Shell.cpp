#include "platform/Shell.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <map>
#include <vector>

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Seam.h"
#include "platform/SessionBusProbe.h"

namespace mv::platform {
namespace {

// The programs started and not yet ended, each with what tells its end.
// They are never ended from here: a browser that a handler runs outlives
// this program.
std::map<pid_t, QObject*>& running() {
  static auto* processes = new std::map<pid_t, QObject*>;
  return *processes;
}

// Collects the program once it has ended; an error exit code runs `failed`.
// False while it still runs.
bool collect(pid_t pid, const LaterFailure& failed) {
  int status = 0;
  pid_t got;
  while ((got = ::waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (got == 0) return false;
  const auto found = running().find(pid);
  if (found != running().end()) {
    found->second->deleteLater();
    running().erase(found);
  }
  if (got == pid && WIFEXITED(status) && WEXITSTATUS(status) != 0 && failed) failed();
  return true;
}

// Runs `collect` from the event loop when the program ends, as the
// process's descriptor tells it (Linux 5.3 on). Where the system gives none,
// the program runs on unwatched: its failure is not told.
void watch(pid_t pid, LaterFailure failed) {
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
  QObject::connect(notifier, &QObject::destroyed, [fd] { ::close(fd); });
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, pid, failed = std::move(failed)] {
    if (collect(pid, failed)) notifier->setEnabled(false);
  });
  running()[pid] = notifier;
}

// Starts the program (a native path) without waiting for it to end, its
// arguments passed as they are, byte for byte. Its input is empty and its
// output goes where ours goes, so nothing of it hangs on a pipe of ours once
// we have ended; no other descriptor of ours reaches it. It gets this
// process's environment byte for byte, but for the session bus, which it
// gets as this program was given it, even where that was passed over for
// this program's own windows. An error exit code reported later runs
// `failed`.
bool startWatched(const std::string& program, const std::vector<std::string>& arguments, LaterFailure failed) {
  const ChildArguments argv(program, arguments);
  const ChildEnvironment environment;

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setsigdefault(&attributes, &all);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.argv(), environment.envp());
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attributes);
  if (error != 0) return false;
  watch(pid, std::move(failed));
  return true;
}

// The program `name` as the search path finds it, "" where none is there.
std::string onPath(const char* name) { return findOnPath(name, searchPathVariable()); }

// The desktop's opener takes web and mail addresses as they are; a path
// without a scheme is a folder or file of this machine.
bool openWithDesktop(const std::string& target, LaterFailure failed) {
  const std::size_t colon = target.find(':');
  const bool hasScheme = colon != std::string::npos && colon > 1;
  const std::string what = hasScheme ? target : resolvePath(target);
  const std::string program = onPath("xdg-open");
  return !program.empty() && startWatched(program, {what}, std::move(failed));
}

Seam<bool(const std::string&, LaterFailure)>& opener() {
  static Seam<bool(const std::string&, LaterFailure)> seam(openWithDesktop);
  return seam;
}

// The desktop's own text editors, then its opener for whatever it has.
bool startTextViewer(const std::string& path, LaterFailure failed) {
  static const char* const viewers[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                        "pluma", "xed", "featherpad", "leafpad", "xdg-open"};
  const std::string file = resolvePath(path);
  for (const char* viewer : viewers) {
    const std::string program = onPath(viewer);
    if (!program.empty() && startWatched(program, {file}, failed)) return true;
  }
  return false;
}

Seam<bool(const std::string&, LaterFailure)>& viewer() {
  static Seam<bool(const std::string&, LaterFailure)> seam(startTextViewer);
  return seam;
}

// A test's replacement answers only whether it started.
std::function<bool(const std::string&, LaterFailure)> startsOnly(std::function<bool(const std::string&)> handler) {
  if (!handler) return nullptr;
  return [handler = std::move(handler)](const std::string& target, LaterFailure) { return handler(target); };
}

Seam<bool(const std::string&)>& sheet() {
  static Seam<bool(const std::string&)> seam([](const std::string&) { return false; });
  return seam;
}

}  // namespace

bool shellOpen(const std::string& target, LaterFailure failed) { return opener()(target, std::move(failed)); }
void setShellOpenHandler(std::function<bool(const std::string&)> handler) {
  opener().replace(startsOnly(std::move(handler)));
}

bool openTextViewer(const std::string& path, LaterFailure failed) { return viewer()(path, std::move(failed)); }
void setTextViewerHandler(std::function<bool(const std::string&)> handler) {
  viewer().replace(startsOnly(std::move(handler)));
}

bool showPropertiesSheet(const std::string& path) { return sheet()(path); }
void setPropertiesSheetHandler(PropertiesSheetHandler handler) { sheet().replace(std::move(handler)); }
void installPropertiesSheet(PropertiesSheetHandler handler) { sheet().install(std::move(handler)); }

}  // namespace mv::platform
