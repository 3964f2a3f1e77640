// The stand-in engine (net, Pellworth.exe, mvevent) run as the front end
// runs it, and the platform's process listing, ending and detached start.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/ProcessList.h"
#include "tests/support/TestEnv.h"

extern char** environ;

namespace fs = std::filesystem;
using mv::platform::endProcess;
using mv::platform::findProcessesByPath;
using mv::platform::isProcessRunning;
using mv::platform::startDetached;

namespace {

const std::string kStarted = "The mvs service was started successfully.\r\n";
const std::string kStopped = "The mvs service was stopped successfully.\r\n";
const std::string kNotStarted = "The mvs service is not started.\r\n";
const std::string kRules = "[_Certificate]\r\n_Certificate=$plovikern$\r\n[_Options]\r\nDefaultAsk=1\r\n\r\n";

struct Outcome {
  int exitCode = -1;
  std::string output;  // standard output and error, in the order written
};

// Runs a program without a shell and collects what it writes.
Outcome run(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  Outcome result;
  char buf[4096];
  ssize_t n;
  while (rc == 0 && ((n = read(out[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)))
    if (n > 0) result.output.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  if (rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

// Waits, within a bound, for a condition that another process makes true.
bool waitFor(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// True when the read end of a pipe reaches its end (every writer closed it)
// within the bound.
bool pipeCloses(int readFd) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{readFd, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char c;
      ssize_t n = read(readFd, &c, 1);
      if (n == 0) return true;
    }
  }
  return false;
}

std::string today() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y%m%d", &local);
  return buf;
}

std::string realPath(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

std::string fdTarget(int pid, int fd) {
  std::error_code ec;
  return fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), ec).string();
}

// Field `index` (1-based, as proc(5) numbers them) of /proc/<pid>/stat.
long statField(int pid, int index) {
  std::string text = mvtest::slurp("/proc/" + std::to_string(pid) + "/stat");
  size_t pos = text.rfind(')');
  if (pos == std::string::npos) return -1;
  std::istringstream rest(text.substr(pos + 2));
  std::string word;
  for (int i = 3; i <= index && rest >> word; ++i) {
  }
  return std::atol(word.c_str());
}

class EngineTest : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    systemDir = native("System32");
    install(MV_NET_EXE, systemDir + "/net");
    pellworth = native("Pellworth.exe");
    install(MV_PELLWORTH_EXE, pellworth);
  }

  // Ends whatever a test started from its program folder.
  void TearDown() override {
    for (const auto& p : mv::platform::listProcesses()) {
      if (p.path.starts_with(realPath(folder) + "/")) {
        kill(p.pid, SIGKILL);
        waitFor([&] { return !isProcessRunning(p.pid); });
      }
    }
    ProgramFolderTest::TearDown();
  }

  static void install(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all, fs::perm_options::add);
  }

  // "net <command> mvs"; every line it prints ends in CR LF.
  Outcome net(const std::string& command) {
    Outcome r = run(systemDir + "/net", {command, "mvs"});
    for (size_t i = r.output.find('\n'); i != std::string::npos; i = r.output.find('\n', i + 1))
      EXPECT_TRUE(i > 0 && r.output[i - 1] == '\r') << r.output;
    return r;
  }

  void writeRules(const std::string& text) { writeText("System32/drivers/etc/mvd.conf", text); }
  std::string log(bool second) { return readText("System32/logfiles/mvd/" + today() + (second ? "i.log" : ".log")); }
  Outcome event(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{systemDir};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return run(MV_EVENT_EXE, all);
  }
  int starts() { return std::atoi(readText("Pellworth.starts").c_str()); }

  std::string systemDir;
  std::string pellworth;
};

void expectNoServicePhrase(const Outcome& r) {
  EXPECT_NE(r.exitCode, 0) << r.output;
  for (const char* phrase : {"service was started successfully.", "service was stopped successfully.",
                             "service is not started."})
    EXPECT_EQ(r.output.find(phrase), std::string::npos) << r.output;
}

// ---- net ----

TEST_F(EngineTest, StopWhenNeverStartedSaysNotStarted) {
  Outcome r = net("stop");
  EXPECT_EQ(r.output, kNotStarted);
  EXPECT_EQ(r.exitCode, 2);
}

TEST_F(EngineTest, StartReadsTheRuleFileAndStopEndsTheService) {
  writeRules(kRules + "\xE9t\xE9\r\n");
  Outcome start = net("start");
  EXPECT_EQ(start.output, kStarted);
  EXPECT_EQ(start.exitCode, 0);
  EXPECT_EQ(readText("System32/mvs.loaded"), kRules + "\xE9t\xE9\r\n");

  Outcome stop = net("stop");
  EXPECT_EQ(stop.output, kStopped);
  EXPECT_EQ(stop.exitCode, 0);
  EXPECT_EQ(net("stop").output, kNotStarted);
}

TEST_F(EngineTest, StartWhileRunningIsRefusedAndReadsNothing) {
  writeRules(kRules);
  ASSERT_EQ(net("start").output, kStarted);
  writeRules("[_Certificate]\r\n");
  expectNoServicePhrase(net("start"));
  EXPECT_EQ(readText("System32/mvs.loaded"), kRules);
  EXPECT_EQ(net("stop").output, kStopped);  // still running after the refusal
}

TEST_F(EngineTest, StartIsRefusedWithoutAReadableRuleFile) {
  expectNoServicePhrase(net("start"));  // missing
  fs::create_directories(native("System32/drivers/etc/mvd.conf"));
  expectNoServicePhrase(net("start"));  // there, but cannot be read
  EXPECT_FALSE(fs::exists(native("System32/mvs.loaded")));
  EXPECT_EQ(net("stop").output, kNotStarted);
}

TEST_F(EngineTest, RuleFileIsFoundWithoutRegardToCase) {
  fs::remove_all(native("System32/drivers"));
  writeText("System32/Drivers/ETC/MVD.CONF", kRules);
  EXPECT_EQ(net("start").output, kStarted);
  EXPECT_EQ(readText("System32/mvs.loaded"), kRules);
}

TEST_F(EngineTest, FaultFileMakesStopAndStartFail) {
  writeRules(kRules);
  ASSERT_EQ(net("start").output, kStarted);

  writeText("System32/mvs.fail", "stop\n");
  expectNoServicePhrase(net("stop"));
  writeText("System32/mvs.fail", "start stop\r\n");
  expectNoServicePhrase(net("stop"));
  fs::remove(native("System32/mvs.fail"));
  ASSERT_EQ(net("stop").output, kStopped);  // the failed stops left it running

  writeText("System32/mvs.fail", "start");
  expectNoServicePhrase(net("start"));
  EXPECT_EQ(net("stop").output, kNotStarted);  // the failed start left it stopped
  writeText("System32/mvs.fail", "");
  EXPECT_EQ(net("start").output, kStarted);
}

TEST_F(EngineTest, OtherArgumentsGiveUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"stop"}, {"pause", "mvs"}, {"start", "other"}, {"start", "mvs", "now"}}) {
    writeRules(kRules);
    Outcome r = run(systemDir + "/net", args);
    expectNoServicePhrase(r);
    EXPECT_NE(r.output.find("NET START mvs"), std::string::npos) << r.output;
  }
  EXPECT_FALSE(fs::exists(native("System32/mvs.loaded")));
}

TEST_F(EngineTest, EachStartBeginsTheDaysLogsAfresh) {
  writeRules(kRules);
  writeText("System32/logfiles/mvd/" + today() + ".log", "[Logs]\r\n0000000001=old\r\n");
  ASSERT_EQ(net("start").output, kStarted);
  EXPECT_EQ(log(false), "[Logs]\r\n");
  EXPECT_EQ(log(true), "[Logs]\r\n");

  ASSERT_EQ(event({"NP", "1", "/a"}).exitCode, 0);
  ASSERT_EQ(event({"--i", "DP", "1", "/a"}).exitCode, 0);
  ASSERT_EQ(net("stop").output, kStopped);
  EXPECT_NE(log(false), "[Logs]\r\n");  // a stop leaves the logs alone
  ASSERT_EQ(net("start").output, kStarted);
  EXPECT_EQ(log(false), "[Logs]\r\n");
  EXPECT_EQ(log(true), "[Logs]\r\n");
}

// ---- mvevent ----

TEST_F(EngineTest, EventLinesAreAppendedUnderTheNextNumber) {
  writeRules(kRules);
  ASSERT_EQ(net("start").output, kStarted);
  Outcome first = event({"--date", "2024-01-02 03:04:05", "NP", "1234", "/opt/x/app"});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.output, "0000000001\n");
  Outcome second = event({"--date", "2024-01-02 03:04:06", "1", "0", "1", "0.0.0.0:80", "10.0.0.2", "/a", "Blocked", "0",
                      "80", "1025", "77"});
  EXPECT_EQ(second.output, "0000000002\n");
  EXPECT_EQ(log(false),
            "[Logs]\r\n"
            "0000000001=2024-01-02 03:04:05,NP,1234,/opt/x/app\r\n"
            "0000000002=2024-01-02 03:04:06,1,0,1,0.0.0.0:80,10.0.0.2,/a,Blocked,0,80,1025,77\r\n");
  EXPECT_EQ(log(true), "[Logs]\r\n");

  EXPECT_EQ(event({"--i", "--date", "d", "DP", "9", "/b"}).output, "0000000001\n");
  EXPECT_EQ(log(true), "[Logs]\r\n0000000001=d,DP,9,/b\r\n");
}

TEST_F(EngineTest, EventNumbersFollowTheHighestKeyAndStampTheTime) {
  writeText("System32/logfiles/mvd/" + today() + ".log", "[Logs]\r\n0000000001=a\r\n0000000007=b");
  EXPECT_EQ(event({"NM", "/lib/x.so", "0"}).output, "0000000008\n");
  const std::string before = "[Logs]\r\n0000000001=a\r\n0000000007=b\r\n0000000008=";
  const std::string after = ",NM,/lib/x.so,0\r\n";
  std::string text = log(false);
  ASSERT_EQ(text.size(), before.size() + 8 + after.size()) << text;
  EXPECT_EQ(text.substr(0, before.size()), before);
  EXPECT_EQ(text.substr(before.size() + 8), after);
  std::string stamp = text.substr(before.size(), 8);
  std::replace_if(stamp.begin(), stamp.end(), ::isdigit, '9');
  EXPECT_EQ(stamp, "99:99:99");  // the local time
}

TEST_F(EngineTest, TheSampleAlertIsADeniedPacketWithoutAProgram) {
  EXPECT_EQ(event({"--i", "--date", "t", "--alert"}).output, "0000000001\n");
  EXPECT_EQ(log(true), "[Logs]\r\n0000000001=t,1,0,1,192.168.0.5:1025,10.1.2.3:25,,Blocked,0,1025,25,0\r\n");
  EXPECT_NE(event({"--alert", "NP"}).exitCode, 0);
}

TEST_F(EngineTest, EventGoesToTheGivenDayAndCreatesItsLog) {
  fs::remove_all(native("System32/logfiles"));
  EXPECT_EQ(event({"--day", "20200131", "--date", "t", "CR", "5", "/p", "1", "2", "1"}).exitCode, 0);
  EXPECT_EQ(readText("System32/logfiles/mvd/20200131.log"), "[Logs]\r\n0000000001=t,CR,5,/p,1,2,1\r\n");
}

TEST_F(EngineTest, EventWithoutArgumentsListsTheFormsAndTheAddressForm) {
  const Outcome help = run(MV_EVENT_EXE, {});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* form : {"--alert", "NP PID PATH", "DP PID PATH", "NM PATH RIGHT", "CR PID PATH ZONE KIND ANSWER",
                           "ACTION PROTOCOL DIRECTION SOURCE DESTINATION", "are address:port"})
    EXPECT_NE(help.output.find(form), std::string::npos) << form;
}

TEST_F(EngineTest, EventRejectsBadArguments) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--i"}, {"--day", "2020", "NP"}, {"--bogus", "NP"}, {"NP", "1\n2"}, {"--date"}}) {
    EXPECT_NE(event(args).exitCode, 0) << (args.empty() ? "" : args[0]);
  }
  EXPECT_FALSE(fs::exists(native("System32/logfiles/mvd/" + today() + ".log")));
}

// ---- Pellworth.exe and the process list ----

TEST_F(EngineTest, PellworthCountsItsStartsAndIsFoundAndEndedByPath) {
  ASSERT_TRUE(startDetached(pellworth).ok);
  ASSERT_TRUE(waitFor([&] { return starts() == 1 && findProcessesByPath(pellworth).size() == 1; }));
  int pid = findProcessesByPath(pellworth).front();

  auto all = mv::platform::listProcesses();
  auto it = std::find_if(all.begin(), all.end(), [&](const auto& p) { return p.pid == pid; });
  ASSERT_NE(it, all.end());
  EXPECT_EQ(it->path, realPath(pellworth));
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; }));

  auto ended = endProcess(pid);
  EXPECT_TRUE(ended.ok) << ended.error;
  EXPECT_FALSE(isProcessRunning(pid));
  EXPECT_TRUE(findProcessesByPath(pellworth).empty());

  ASSERT_TRUE(startDetached(pellworth).ok);
  EXPECT_TRUE(waitFor([&] { return starts() == 2; }));
  EXPECT_EQ(readText("Pellworth.starts"), "2\n");
}

TEST_F(EngineTest, OnlyProcessesOfThatExactPathAreFound) {
  std::string other = native("Other/Pellworth.exe");
  install(MV_PELLWORTH_EXE, other);
  fs::create_symlink(pellworth, native("link.exe"));
  ASSERT_TRUE(startDetached(pellworth).ok);
  ASSERT_TRUE(startDetached(other).ok);
  ASSERT_TRUE(waitFor([&] { return findProcessesByPath(other).size() == 1; }));
  ASSERT_TRUE(waitFor([&] { return findProcessesByPath(pellworth).size() == 1; }));
  EXPECT_NE(findProcessesByPath(pellworth), findProcessesByPath(other));
  // A path that leads to the same file is the same executable.
  EXPECT_EQ(findProcessesByPath(native("link.exe")), findProcessesByPath(pellworth));
  EXPECT_TRUE(findProcessesByPath(native("pellworth.exe")).empty());

  int pid = findProcessesByPath(pellworth).front();
  EXPECT_TRUE(endProcess(pid).ok);
  EXPECT_EQ(findProcessesByPath(other).size(), 1u);  // the other copy runs on
}

TEST_F(EngineTest, PellworthLetsGoOfInheritedPipesAndEndsOnTerminate) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_adddup2(&actions, out[1], 9);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv{pellworth.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, pellworth.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);

  EXPECT_TRUE(pipeCloses(out[0]));
  close(out[0]);
  EXPECT_TRUE(waitFor([&] { return starts() == 1; }));
  for (int fd = 0; fd <= 2; ++fd) EXPECT_EQ(fdTarget(pid, fd), "/dev/null");
  EXPECT_EQ(fdTarget(pid, 9), "");

  auto ended = endProcess(pid);
  EXPECT_TRUE(ended.ok) << ended.error;
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(EngineTest, DetachedProgramGetsNoDescriptorsAndASessionOfItsOwn) {
  std::string idler = native("idler");
  install("/bin/sleep", idler);
  int held[2];
  ASSERT_EQ(pipe(held), 0);  // inheritable: only the start itself keeps it from the program
  auto started = startDetached(idler, {"60"});
  close(held[1]);
  ASSERT_TRUE(started.ok) << started.error;
  ASSERT_TRUE(waitFor([&] { return findProcessesByPath(idler).size() == 1; }));
  int pid = findProcessesByPath(idler).front();

  EXPECT_TRUE(pipeCloses(held[0]));
  close(held[0]);
  for (int fd = 0; fd <= 2; ++fd) EXPECT_EQ(fdTarget(pid, fd), "/dev/null");
  // The program runs the idler already (its exe names it), but its loader
  // may still be opening libraries and it may open locale data: files it
  // opens while it starts it closes again, while an inherited descriptor is
  // open from the exec on and stays. So one reading of exactly 0, 1 and 2,
  // within the bound, shows that nothing was inherited; a second reading
  // could meet the loader at work.
  auto openFds = [pid] {
    std::vector<std::string> fds;
    std::error_code ec;
    for (fs::directory_iterator e("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && e != end; e.increment(ec))
      fds.push_back(e->path().filename().string());
    std::sort(fds.begin(), fds.end());
    return fds;
  };
  std::vector<std::string> fds;
  EXPECT_TRUE(waitFor([&] { return (fds = openFds()) == std::vector<std::string>{"0", "1", "2"}; }))
      << "open descriptors: " << ::testing::PrintToString(fds);
  // Not this process's child; where this process is the one that orphans
  // go to (the first process of a PID namespace, or a subreaper), the
  // program comes back to it whatever the start did.
  int subreaper = 0;
  if (getpid() != 1 && prctl(PR_GET_CHILD_SUBREAPER, &subreaper) == 0 && !subreaper) {
    EXPECT_NE(statField(pid, 4), getpid());
  }
  EXPECT_NE(statField(pid, 6), getsid(0));   // another session
  EXPECT_TRUE(endProcess(pid).ok);
}

TEST_F(EngineTest, StartingAMissingProgramFails) {
  auto r = startDetached(native("missing.exe"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, std::strerror(ENOENT));
}

TEST_F(EngineTest, EndingAProcessThatDoesNotExistFails) {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  ASSERT_GT(pid, 0);
  ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
  auto r = endProcess(pid);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, std::strerror(ESRCH));
  // Numbers that would reach whole process groups are refused.
  EXPECT_FALSE(endProcess(0).ok);
  EXPECT_FALSE(endProcess(-1).ok);
}

TEST_F(EngineTest, AProcessThatIgnoresTerminateIsKilledAfterTheGrace) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGTERM, SIG_IGN);
    char c = 'r';
    ssize_t ignored = write(ready[1], &c, 1);
    (void)ignored;
    for (;;) pause();
  }
  ASSERT_GT(pid, 0);
  close(ready[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);

  EXPECT_TRUE(endProcess(pid, std::chrono::milliseconds(100)).ok);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

}  // namespace
