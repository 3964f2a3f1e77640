// The stand-in engine's service control: "net stop mvs" and "net start mvs".
// The service's state is a file beside this program, in the system
// directory. A start reads the rule file, keeps a copy of what it read, and
// begins the day's two event logs afresh. A fault file beside the program
// makes a stop or a start fail, so the front end's failure path can be tried;
// a delay file makes each command take that many milliseconds, as a real
// service does, so what the front end does while it waits can be tried.
#include <strings.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/EngineFiles.h"

namespace {

const char* const kStateFile = "mvs.state";    // "running" or "stopped"
const char* const kLoadedFile = "mvs.loaded";  // the rule file as last read
const char* const kFaultFile = "mvs.fail";     // "stop" and/or "start"
const char* const kDelayFile = "mvs.delay";    // milliseconds each command takes
const char* const kRuleFile = "drivers/etc/mvd.conf";

// Exit code of a refused command, as the service control program gives.
constexpr int kRefused = 2;
constexpr int kBadUsage = 1;

// Prints the lines (CR LF ends, as the front end expects) and gives the exit
// code back, so each outcome is one statement.
int say(int code, const std::string& lines) {
  std::fputs(lines.c_str(), stdout);
  std::fflush(stdout);
  return code;
}

bool isRunning(const std::string& systemDir) {
  std::string state;
  return mvengine::readFile(systemDir + "/" + kStateFile, state) && state.rfind("running", 0) == 0;
}

bool setRunning(const std::string& systemDir, bool running) {
  return mvengine::writeFileAtomic(systemDir + "/" + kStateFile, running ? "running\n" : "stopped\n");
}

// True when the fault file names the command as a word of its own.
bool faultInjected(const std::string& systemDir, const char* command) {
  std::string text;
  if (!mvengine::readFile(systemDir + "/" + kFaultFile, text)) return false;
  std::string word;
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : ' ';
    if (c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n') {
      if (::strcasecmp(word.c_str(), command) == 0) return true;
      word.clear();
    } else {
      word += c;
    }
  }
  return false;
}

int stopService(const std::string& systemDir) {
  if (faultInjected(systemDir, "stop")) return say(kRefused, "The mvs service could not be stopped.\r\n");
  if (!isRunning(systemDir)) return say(kRefused, "The mvs service is not started.\r\n");
  if (!setRunning(systemDir, false)) return say(kRefused, "The mvs service could not be stopped.\r\n");
  return say(0, "The mvs service was stopped successfully.\r\n");
}

// Both of the day's logs, holding nothing but their section header.
bool beginEventLogs(const std::string& systemDir) {
  std::string folder = mvengine::findPath(systemDir, "logfiles/mvd");
  if (!mvengine::makeFolders(folder)) return false;
  std::string day = mvengine::todayStamp();
  return mvengine::writeFileAtomic(mvengine::eventLogPath(systemDir, day, false), mvengine::kLogHeader) &&
         mvengine::writeFileAtomic(mvengine::eventLogPath(systemDir, day, true), mvengine::kLogHeader);
}

int startService(const std::string& systemDir) {
  const std::string notStarted = "The mvs service could not be started.\r\n\r\n";
  if (faultInjected(systemDir, "start")) return say(kRefused, notStarted + "A system error has occurred.\r\n");
  if (isRunning(systemDir)) return say(kRefused, "The requested service has already been started.\r\n");
  std::string rules;
  if (!mvengine::readFile(mvengine::findPath(systemDir, kRuleFile), rules))
    return say(kRefused, notStarted + "The rule file drivers\\etc\\mvd.conf cannot be read.\r\n");
  if (!mvengine::writeFileAtomic(systemDir + "/" + kLoadedFile, rules) || !beginEventLogs(systemDir) ||
      !setRunning(systemDir, true))
    return say(kRefused, notStarted + "The service's files cannot be written.\r\n");
  return say(0, "The mvs service was started successfully.\r\n");
}

// Waits as long as the delay file says (nothing when it is missing or not a
// number; at most ten seconds).
void waitAsTheServiceDoes(const std::string& systemDir) {
  std::string text;
  if (!mvengine::readFile(systemDir + "/" + kDelayFile, text)) return;
  long ms = std::strtol(text.c_str(), nullptr, 10);
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms < 10000 ? ms : 10000));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && ::strcasecmp(argv[2], "mvs") == 0) {
    std::string systemDir = mvengine::executableFolder();
    waitAsTheServiceDoes(systemDir);
    if (::strcasecmp(argv[1], "stop") == 0) return stopService(systemDir);
    if (::strcasecmp(argv[1], "start") == 0) return startService(systemDir);
  }
  return say(kBadUsage, "The syntax of this command is:\r\n\r\nNET STOP mvs\r\nNET START mvs\r\n");
}
