#include "platform/ProcessList.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SessionBusProbe.h"

namespace mv::platform {
namespace {

// What the kernel appends to the executable's link when that file was
// removed or replaced after the process started.
constexpr const char kDeletedMark[] = " (deleted)";
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr auto kKillWait = std::chrono::milliseconds(2000);

std::string errorText(int err) { return std::strerror(err); }

std::string executableOf(int pid) {
  char buf[PATH_MAX];
  std::string link = "/proc/" + std::to_string(pid) + "/exe";
  ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
  if (n <= 0 || n == static_cast<ssize_t>(sizeof buf)) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string realPath(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : path;
}

// What the system reads of a script's first line, and how many scripts deep
// it follows an interpreter that is a script itself.
constexpr std::size_t kScriptLineLimit = 256;
constexpr int kScriptDepth = 4;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The program and its one argument that a script's first line names, as the
// system passes them: the line after "#!" holds the program's path and then,
// after blanks, the rest of the line as one argument. Nothing when the file
// is no script.
struct InterpreterLine {
  std::string program;
  std::string argument;
};
std::optional<InterpreterLine> interpreterLine(const std::string& nativePath) {
  // Only a regular file is read: a pipe or a device could keep the reader
  // waiting.
  struct stat st;
  if (::stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::ifstream in(nativePath, std::ios::binary);
  char buf[kScriptLineLimit];
  in.read(buf, sizeof buf);
  std::string line(buf, static_cast<size_t>(in.gcount()));
  if (line.rfind("#!", 0) != 0) return std::nullopt;
  line = trimBlanks(line.substr(2, line.find('\n') - 2));
  size_t blank = 0;
  while (blank < line.size() && !isBlank(line[blank])) ++blank;
  return InterpreterLine{line.substr(0, blank), trimBlanks(line.substr(blank))};
}

// The folders a program is looked for in where PATH is not set, as env
// looks after -i or -u PATH.
constexpr const char kUnsetPathFolders[] = "/bin:/usr/bin";

// env's long options, which it also takes shortened to any beginning that
// names one of them alone, and the letter of the short option each stands
// for ('-' where none matters here, 'x' for those that end env at once).
enum class EnvValue { None, Required, Optional };
struct EnvOption {
  std::string_view name;
  char letter;
  EnvValue value;
};
constexpr EnvOption kEnvOptions[] = {
    {"block-signal", '-', EnvValue::Optional}, {"chdir", 'C', EnvValue::Required},
    {"debug", 'v', EnvValue::None},            {"default-signal", '-', EnvValue::Optional},
    {"help", 'x', EnvValue::None},             {"ignore-environment", 'i', EnvValue::None},
    {"ignore-signal", '-', EnvValue::Optional}, {"list-signal-handling", '-', EnvValue::None},
    {"null", '0', EnvValue::None},             {"split-string", 'S', EnvValue::Required},
    {"unset", 'u', EnvValue::Required},        {"version", 'x', EnvValue::None},
};

const EnvOption* envOption(const std::string& name) {
  const EnvOption* found = nullptr;
  int beginning = 0;
  for (const EnvOption& option : kEnvOptions) {
    if (option.name == name) return &option;
    if (option.name.starts_with(name)) {
      found = &option;
      ++beginning;
    }
  }
  return beginning == 1 ? found : nullptr;
}

// The words env makes of the value of -S: blanks separate them, quotes keep
// blanks within one, and a word that begins with "#" ends the value.
// Nothing where the value holds env's escapes or variables ("\", "$"),
// whose reading is not followed here.
std::optional<std::vector<std::string>> envSplitWords(const std::string& text) {
  if (text.find_first_of("\\$") != std::string::npos) return std::nullopt;
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (char c : text) {
    if (quote) {
      if (c == quote) quote = 0;
      else word += c;
    } else if (isBlank(c) || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '#' && !inWord) {
      break;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote) return std::nullopt;
  if (inWord) words.push_back(word);
  return words;
}

// What env runs for the argument a script's first line gives it, and the
// folders it looks for it in. env reads options first (short ones may share
// a word, the last taking the rest of it as its value; -S splits its value
// into further words), then NAME=VALUE settings, then the command, which it
// looks for along PATH as the options and settings leave it. The script
// itself comes after the argument: nothing when env would take it as the
// command or as an option's value, or refuses the argument.
struct EnvCommand {
  std::string name;
  std::string folders;
};
std::optional<EnvCommand> envCommand(const std::string& argument) {
  std::deque<std::string> words{argument};
  std::optional<std::string> path = searchPathVariable();
  while (!words.empty()) {
    const std::string word = words.front();
    if (word.size() < 2 || word[0] != '-') break;
    words.pop_front();
    if (word == "--") break;
    // The options of the word, each with the value the word gives it.
    std::vector<std::pair<char, std::optional<std::string>>> options;
    if (word[1] == '-') {
      const std::size_t equals = word.find('=');
      const EnvOption* option = envOption(word.substr(2, equals == std::string::npos ? equals : equals - 2));
      if (!option || (equals != std::string::npos && option->value == EnvValue::None)) return std::nullopt;
      options.push_back({option->letter, equals == std::string::npos ? std::nullopt
                                                                     : std::optional(word.substr(equals + 1))});
    } else {
      for (std::size_t i = 1; i < word.size(); ++i) {
        const char letter = word[i];
        if (letter == 'i' || letter == '0' || letter == 'v') {
          options.push_back({letter, std::nullopt});
        } else if (letter == 'u' || letter == 'C' || letter == 'S') {
          options.push_back({letter, i + 1 < word.size() ? std::optional(word.substr(i + 1)) : std::nullopt});
          break;
        } else {
          return std::nullopt;
        }
      }
    }
    for (auto& [letter, value] : options) {
      if (!value && (letter == 'u' || letter == 'C' || letter == 'S')) {
        if (words.empty()) return std::nullopt;
        value = words.front();
        words.pop_front();
      }
      if (letter == 'x') return std::nullopt;
      if (letter == 'i' || (letter == 'u' && *value == "PATH")) path.reset();
      if (letter == 'S') {
        const std::optional<std::vector<std::string>> split = envSplitWords(*value);
        if (!split) return std::nullopt;
        words.insert(words.begin(), split->begin(), split->end());
      }
    }
  }
  // A lone "-" empties the environment as -i does.
  if (!words.empty() && words.front() == "-") {
    path.reset();
    words.pop_front();
  }
  for (; !words.empty() && words.front().find('=') != std::string::npos; words.pop_front())
    if (words.front().starts_with("PATH=")) path = words.front().substr(5);
  if (words.empty()) return std::nullopt;
  return EnvCommand{words.front(), path.value_or(kUnsetPathFolders)};
}

bool waitUntilEnded(int pid, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (isProcessRunning(pid)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

// Runs in the new process between fork and exec: only async-signal-safe
// calls. Every descriptor is marked close-on-exec, the error pipe included.
[[noreturn]] void execDetached(const char* path, char* const* argv, char* const* envp, int errorFd) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int sig = 1; sig < NSIG; ++sig) ::signal(sig, SIG_DFL);
  int nullFd = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd <= 2 && nullFd >= 0; ++fd) ::dup2(nullFd, fd);
  if (::close_range(3, ~0u, CLOSE_RANGE_CLOEXEC) != 0) {
    rlimit lim{};
    int top = ::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < 65536 ? static_cast<int>(lim.rlim_cur) : 65536;
    for (int fd = 3; fd < top; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  ::execve(path, argv, envp);
  int err = errno;
  ssize_t ignored = ::write(errorFd, &err, sizeof err);
  (void)ignored;
  ::_exit(127);
}

}  // namespace

std::vector<ProcessEntry> listProcesses() {
  std::vector<ProcessEntry> list;
  DIR* proc = ::opendir("/proc");
  if (!proc) return list;
  while (dirent* e = ::readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    std::string path = executableOf(static_cast<int>(pid));
    if (!path.empty()) list.push_back({static_cast<int>(pid), path});
  }
  ::closedir(proc);
  std::sort(list.begin(), list.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  return list;
}

std::vector<int> findProcessesByPath(const std::string& nativePath) {
  std::string wanted = realPath(nativePath);
  std::vector<int> pids;
  for (const ProcessEntry& p : listProcesses()) {
    std::string path = p.path;
    if (path.ends_with(kDeletedMark)) path.resize(path.size() - (sizeof kDeletedMark - 1));
    if (path == wanted) pids.push_back(p.pid);
  }
  return pids;
}

std::string executablePathOf(const std::string& path) { return realPath(resolvePath(path)); }

std::optional<std::string> scriptInterpreterOf(const std::string& nativePath) {
  std::optional<InterpreterLine> line = interpreterLine(nativePath);
  if (!line) return std::nullopt;
  for (int depth = 0; depth < kScriptDepth; ++depth) {
    // The system takes the interpreter's path as written; a relative one
    // depends on the folder of whoever starts the script.
    if (line->program.empty() || line->program.front() != '/') return "";
    std::string interpreter = realPath(line->program);
    if (!isRunnableFile(interpreter)) return "";
    // The system starts the interpreter under the name the line gives it,
    // and a program that serves under several names (busybox) acts by that
    // name: a link named env is env whatever it leads to, as env itself is
    // whatever its link is called.
    if (fileNamePart(line->program) == "env" || fileNamePart(interpreter) == "env") {
      const std::optional<EnvCommand> command = envCommand(line->argument);
      if (!command || command->name.empty()) return "";
      if (command->name.find('/') != std::string::npos) {
        if (command->name.front() != '/') return "";
        interpreter = realPath(command->name);
      } else {
        const std::string found = findOnPath(command->name, command->folders);
        if (found.empty()) return "";
        interpreter = realPath(found);
      }
      if (!isRunnableFile(interpreter)) return "";
    }
    line = interpreterLine(interpreter);
    if (!line) return interpreter;
  }
  return "";
}

bool isProcessRunning(int pid) {
  if (pid <= 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  // The state follows the command name, which is in parentheses and may hold
  // any character, so it is found after the last ")".
  size_t close = text.rfind(')');
  if (close == std::string::npos || close + 2 >= text.size()) return false;
  char state = text[close + 2];
  return state != 'Z' && state != 'X' && state != 'x';
}

ProcessResult endProcess(int pid, std::chrono::milliseconds grace) {
  // 0 and negative numbers would signal whole process groups.
  if (pid <= 0) return {false, errorText(EINVAL)};
  if (::kill(pid, SIGTERM) != 0) return {false, errorText(errno)};
  if (waitUntilEnded(pid, grace)) return {true, {}};
  if (::kill(pid, SIGKILL) != 0 && errno != ESRCH) return {false, errorText(errno)};
  if (waitUntilEnded(pid, kKillWait)) return {true, {}};
  return {false, "The process did not end."};
}

ProcessResult startDetached(const std::string& nativePath, const std::vector<std::string>& arguments) {
  // Everything the new process needs is prepared before fork.
  const ChildArguments argv(nativePath, arguments);
  const ChildEnvironment environment;

  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) return {false, errorText(errno)};
  pid_t child = ::fork();
  if (child < 0) {
    int err = errno;
    ::close(errorPipe[0]);
    ::close(errorPipe[1]);
    return {false, errorText(err)};
  }
  if (child == 0) {
    // The intermediate process: a new session, then the program in a
    // grandchild, so the program is not this process's child and leaves no
    // zombie behind when it ends.
    ::close(errorPipe[0]);
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) execDetached(nativePath.c_str(), argv.argv(), environment.envp(), errorPipe[1]);
    int err = errno;
    if (grandchild < 0) {
      ssize_t ignored = ::write(errorPipe[1], &err, sizeof err);
      (void)ignored;
    }
    ::_exit(0);
  }
  ::close(errorPipe[1]);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  // The pipe closes without data when exec succeeded.
  int err = 0;
  ssize_t n;
  while ((n = ::read(errorPipe[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  ::close(errorPipe[0]);
  if (n == static_cast<ssize_t>(sizeof err)) return {false, errorText(err)};
  return {true, {}};
}

}  // namespace mv::platform
