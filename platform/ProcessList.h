#pragma once
// The running processes: listing them with their executables' full paths,
// finding those started from a given executable, ending one, and starting a
// program detached from this one.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace mv::platform {

struct ProcessEntry {
  int pid = 0;
  std::string path;  // the executable's full native path
};

// Outcome of ending or starting a process; `error` holds the system's text
// for the failure ("No such process").
struct ProcessResult {
  bool ok = false;
  std::string error;
};

// Every process whose executable can be read, in ascending PID order.
// Processes that cannot be inspected (kernel threads, other users', ended
// ones not yet collected) are left out.
std::vector<ProcessEntry> listProcesses();

// The PIDs of the running processes whose executable is the file at
// `nativePath`, compared as resolved real paths, case-sensitively. A process
// whose executable was replaced at that path since it started still counts.
std::vector<int> findProcessesByPath(const std::string& nativePath);

// The name under which the process list (and the engine, which reads it the
// same way) knows a program started from the file at `path`, a path as the
// system writes it: the native path with every symbolic link followed, as
// /proc/PID/exe reads it. A path that names no file comes back resolved.
std::string executablePathOf(const std::string& path);

// A script is a file whose first line starts with "#!" and names the program
// that runs it, its interpreter; a process started from a script is a
// process of that program, and /proc/PID/exe names the interpreter, not the
// script. For the file at `nativePath`: nothing when it is no script; else
// the interpreter as /proc/PID/exe names it (every symbolic link followed;
// an interpreter that is a script itself stands for its own), or "" when the
// interpreter cannot be found here. An interpreter named env, or a link
// named env (to a program that acts by the name it is started under, such
// as busybox), stands for the command env starts in its place, read from
// the line as env reads it (its options, -S or --split-string and the
// settings before the command) and found along PATH as those leave it.
std::optional<std::string> scriptInterpreterOf(const std::string& nativePath);

// True while the process exists and has not ended (an ended process that its
// parent has not yet collected counts as ended).
bool isProcessRunning(int pid);

// Asks the process to end (SIGTERM) and, when it is still running after the
// grace period, ends it (SIGKILL). Succeeds once the process has ended.
ProcessResult endProcess(int pid, std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

// Starts a program by its native path without a shell and without waiting
// for it: in a session of its own, not a child of this process, standard
// streams on /dev/null, no descriptor of this process inherited. Succeeds
// once the program is running in the new process.
ProcessResult startDetached(const std::string& nativePath, const std::vector<std::string>& arguments = {});

}  // namespace mv::platform
