// Appends one engine event line to a day's event log, as the engine does.
// The forms of the command and of the engine's lines are those of kForms
// below, which the tool prints when run without arguments. The line goes to
// the first log of the day, or with --i to the second one, under the next
// line number, and that number is printed.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/EngineFiles.h"

namespace {

constexpr int kKeyDigits = 10;

// The forms of the command and of the engine's lines. Without arguments it
// is the answer (standard output, success); after a wrong use it goes to the
// error stream with a failure.
constexpr const char* kForms =
    "usage: mvevent SYSTEMDIR [--i] [--day YYYYMMDD] [--date TEXT] FIELD1 [FIELD2 ...]\n"
    "       mvevent SYSTEMDIR [--i] [--day YYYYMMDD] [--date TEXT] --alert\n"
    "Appends one event line (TEXT, or the time now, then the fields, joined by \",\")\n"
    "to the day's first log (--i: its second one) in SYSTEMDIR/logfiles/mvd.\n"
    "The fields of each kind of line:\n"
    "  NP PID PATH                      a process started\n"
    "  DP PID PATH                      a process ended\n"
    "  NM PATH RIGHT                    a module was loaded (right 0 Allow, 1 Block, 2 Ask)\n"
    "  CR PID PATH ZONE KIND ANSWER     an access request was answered (zone 1 Trusted,\n"
    "                                   2 Internet; kind 1 server, 2 access;\n"
    "                                   answer 1 Allow, 2 Ask, 3 Block)\n"
    "  ACTION PROTOCOL DIRECTION SOURCE DESTINATION PROGRAM TEXT LEVEL\n"
    "  SOURCEPORT DESTPORT PID          a packet (action 0 Allow, 1 Deny; protocol 0 TCP,\n"
    "                                   1 UDP, 2 ICMP, 3 IGMP; direction 0 in, 1 out;\n"
    "                                   level 0 High, 1 Medium); SOURCE and DESTINATION\n"
    "                                   are address:port, as 192.168.0.5:1025\n"
    "--alert writes a denied outgoing TCP packet from 192.168.0.5:1025 to 10.1.2.3:25\n"
    "without a program, which the front end shows in its alert pop-up.\n"
    "Example: mvevent SYSTEMDIR 1 0 1 192.168.0.5:1025 10.1.2.3:80 \"\" Blocked 0 1025 80 0\n";

int usage() {
  std::fputs(kForms, stderr);
  return 1;
}

// The highest line number among the keys of the log ("0000000007=...").
long lastLineNumber(const std::string& log) {
  long last = 0;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find('\n', pos);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(pos, end - pos);
    if (line.size() > kKeyDigits && line[kKeyDigits] == '=' &&
        line.find_first_not_of("0123456789") == static_cast<size_t>(kKeyDigits))
      last = std::max(last, std::stol(line.substr(0, kKeyDigits)));
    pos = end + 1;
  }
  return last;
}

// Adds the line under the next number; the lock keeps two writers from
// taking the same number.
long appendLine(const std::string& path, const std::string& line) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  ::flock(fd, LOCK_EX);
  std::string log;
  mvengine::readFile(path, log);
  long number = lastLineNumber(log) + 1;
  std::string text = log.empty() ? mvengine::kLogHeader : "";
  if (!log.empty() && log.back() != '\n') text += "\r\n";
  char key[24];
  std::snprintf(key, sizeof key, "%010ld", number);
  text += std::string(key) + "=" + line + "\r\n";
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok ? number : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    std::fputs(kForms, stdout);
    return 0;
  }
  if (argc < 3) return usage();
  std::string systemDir = argv[1];
  bool secondLog = false;
  std::string day = mvengine::todayStamp();
  std::string line = mvengine::localTimeText("%H:%M:%S");
  bool sample = false;
  int i = 2;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    std::string option = argv[i];
    if (option == "--alert") {
      sample = true;
    } else if (option == "--i") {
      secondLog = true;
    } else if ((option == "--day" || option == "--date") && i + 1 < argc) {
      (option == "--day" ? day : line) = argv[++i];
    } else {
      return usage();
    }
  }
  if (sample == (i != argc) || day.size() != 8 || day.find_first_not_of("0123456789") != std::string::npos) return usage();
  if (sample) line += ",1,0,1,192.168.0.5:1025,10.1.2.3:25,,Blocked,0,1025,25,0";
  for (; i < argc; ++i) line += std::string(",") + argv[i];
  if (line.find_first_of("\r\n") != std::string::npos) return usage();  // one event is one line
  std::string folder = mvengine::findPath(systemDir, "logfiles/mvd");
  long number = mvengine::makeFolders(folder) ? appendLine(mvengine::eventLogPath(systemDir, day, secondLog), line) : -1;
  if (number < 0) {
    std::fprintf(stderr, "mvevent: cannot write to the event log in %s\n", folder.c_str());
    return 2;
  }
  std::printf("%010ld\n", number);
  return 0;
}
