// The desktop's autostart entry: where it is kept, and the program's path
// written so that the desktop starts exactly that file.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Autostart.h"
#include "tests/support/TestEnv.h"

extern char** environ;

using namespace mv::platform;
namespace fs = std::filesystem;

namespace {

bool isUtf8(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return false;
    for (std::size_t i = 1; i < length; ++i)
      if ((static_cast<unsigned char>(text[at + i]) >> 6) != 2) return false;
    at += length;
  }
  return true;
}

// A value of the entry as the reader takes it: "\s", "\n", "\t", "\r" and
// "\\" are its escapes, and any other makes the value unreadable (false).
bool entryValue(const std::string& raw, std::string& value) {
  value.clear();
  for (std::size_t at = 0; at < raw.size(); ++at) {
    if (raw[at] != '\\') {
      value += raw[at];
      continue;
    }
    if (++at == raw.size()) return false;
    switch (raw[at]) {
      case 's': value += ' '; break;
      case 'n': value += '\n'; break;
      case 't': value += '\t'; break;
      case 'r': value += '\r'; break;
      case '\\': value += '\\'; break;
      default: return false;
    }
  }
  return true;
}

// The words of a command line, unquoted as the shell does: blanks part
// words, '...' keeps what it holds, "..." keeps what it holds but a
// backslash before ", `, $, \ or a line end, and a backslash elsewhere keeps
// the character after it.
std::vector<std::string> shellWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      while (++at < line.size() && line[at] != '\'') word += line[at];
    } else if (c == '"') {
      while (++at < line.size() && line[at] != '"') {
        if (line[at] == '\\' && at + 1 < line.size() && std::string("\"`$\\\n").find(line[at + 1]) != std::string::npos)
          ++at;
        word += line[at];
      }
    } else if (c == '\\' && at + 1 < line.size()) {
      word += line[++at];
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// The field codes of an Exec line expanded with no file to open: "%%" is a
// "%", the others stand for nothing.
std::string withFieldCodesExpanded(const std::string& exec) {
  std::string out;
  for (std::size_t at = 0; at < exec.size(); ++at) {
    if (exec[at] != '%') {
      out += exec[at];
    } else if (++at < exec.size() && exec[at] == '%') {
      out += '%';
    }
  }
  return out;
}

bool runnable(const std::string& path) {
  return !path.empty() && path[0] == '/' && ::access(path.c_str(), X_OK) == 0 && !fs::is_directory(path);
}

// The program that a desktop starts at login from the entry, read as GLib's
// reader (which GNOME's session uses) reads it: the file is UTF-8; TryExec,
// when given, names a program that runs; the first word of Exec, unquoted
// before its field codes are expanded, names a program that runs; then the
// field codes are expanded and the first word is the program started. ""
// when the desktop starts nothing.
std::string programTheDesktopStarts(const std::string& entryFile) {
  const std::string text = mvtest::slurp(entryFile);
  if (text.empty() || !isUtf8(text)) return "";
  std::istringstream lines(text);
  std::string line, group, exec, tryExec;
  bool hasExec = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '[') group = line;
    const std::size_t equals = line.find('=');
    if (group != "[Desktop Entry]" || equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    std::size_t from = equals + 1;
    while (from < line.size() && line[from] == ' ') ++from;
    std::string value;
    if (!entryValue(line.substr(from), value)) return "";
    if (key == "Exec") {
      exec = value;
      hasExec = true;
    }
    if (key == "TryExec") tryExec = value;
  }
  if (!hasExec || (!tryExec.empty() && !runnable(tryExec))) return "";
  const std::vector<std::string> named = shellWords(exec);
  if (named.empty() || !runnable(named[0])) return "";
  const std::vector<std::string> started = shellWords(withFieldCodesExpanded(exec));
  return started.empty() ? "" : started[0];
}

// A program the desktop can start, at `path` under a fresh folder; the
// folder's native path.
std::string makeProgram(const std::string& path) {
  const std::string folder = mvtest::makeTemporaryFolder("mvprogram");
  fs::create_directories(fs::path(folder + path).parent_path());
  std::ofstream(folder + path) << "#!/bin/sh\n";
  fs::permissions(folder + path, fs::perms::owner_all);
  return folder;
}

void expectTheDesktopStarts(const std::string& program) {
  const mvtest::TemporaryConfigHome home;
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  const std::string entry = autostartEntryFile("Morvantis", program);
  const std::string started = programTheDesktopStarts(entry);
  ASSERT_FALSE(started.empty()) << mvtest::slurp(entry);
  EXPECT_EQ(fs::canonical(started), fs::canonical(program)) << mvtest::slurp(entry);
  ASSERT_TRUE(removeAutostartEntry("Morvantis", program));
  EXPECT_TRUE(fs::is_empty(home.path() + "/autostart")) << "nothing of the entry is left";
}

}  // namespace

TEST(Autostart, TheEntryQuotesTheProgramsPathAsTheDesktopReadsIt) {
  const mvtest::TemporaryConfigHome home;
  const std::string program = "/opt/My Apps/\"x\"/$HOME/Morvantis";
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  const std::string entry = autostartEntryFile("Morvantis", program);
  EXPECT_EQ(fs::path(entry).parent_path(), fs::path(home.path()) / "autostart");
  const std::string text = mvtest::slurp(entry);
  EXPECT_NE(text.find("\nExec=\"/opt/My Apps/\\\\\"x\\\\\"/\\\\$HOME/Morvantis\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nTryExec=" + program + "\n"), std::string::npos) << text;
  EXPECT_NE(autostartEntryFile("Morvantis", "/other/Morvantis"), entry);
  ASSERT_TRUE(removeAutostartEntry("Morvantis", program));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(removeAutostartEntry("Morvantis", program)) << "none is left";
}

TEST(Autostart, TheConfigurationFolderIsTheHomesWhenTheVariableNamesNoAbsoluteFolder) {
  const mvtest::TemporaryConfigHome home;
  EXPECT_EQ(userConfigFolder(), home.path());
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(userConfigFolder(), "/home/someone/.config");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(userConfigFolder(), "/home/someone/.config");
  setenv("HOME", savedHome.c_str(), 1);
}

TEST(Autostart, TheDesktopStartsAProgramWhosePathHoldsAPercentSign) {
  const std::string folder = makeProgram("/50% off/%f/Morvantis");
  expectTheDesktopStarts(folder + "/50% off/%f/Morvantis");
  fs::remove_all(folder);
}

TEST(Autostart, TheDesktopStartsAProgramWhosePathIsNotUtf8) {
  const std::string folder = makeProgram("/caf\xE9/Morvantis");
  expectTheDesktopStarts(folder + "/caf\xE9/Morvantis");
  fs::remove_all(folder);
}

TEST(Autostart, AProgramStartedThroughTheLinkRunsUnderItsOwnName) {
  const mvtest::TemporaryConfigHome home;
  const std::string folder = mvtest::makeTemporaryFolder("mvprogram");
  fs::create_directories(folder + "/caf\xE9");
  const std::string program = folder + "/caf\xE9/Morvantis";
  fs::copy_file("/bin/sleep", program);
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  const std::string started = programTheDesktopStarts(autostartEntryFile("Morvantis", program));
  ASSERT_FALSE(started.empty());
  ASSERT_NE(started, program) << "the link is what the entry names";

  std::string argv0 = started, seconds = "30";
  char* argv[] = {argv0.data(), seconds.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, started.c_str(), nullptr, nullptr, argv, environ), 0);
  // The name the process table gives the process, as pidof reads it, once
  // the child runs the program (before its exec it bears this test's name).
  const std::string proc = "/proc/" + std::to_string(pid);
  std::error_code gone;
  mvtest::processEventsUntil([&] { return fs::equivalent(fs::read_symlink(proc + "/exe", gone), program, gone); });
  const std::string name = mvtest::slurp(proc + "/comm");
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_EQ(name, "Morvantis\n");
  ASSERT_TRUE(removeAutostartEntry("Morvantis", program));
  EXPECT_TRUE(fs::is_empty(home.path() + "/autostart")) << "nothing of the entry is left";
  fs::remove_all(folder);
}

TEST(Autostart, AProgramThatNoEntryCanStartGetsNone) {
  // The link that would stand for the program would hold a "%" itself.
  const mvtest::TemporaryConfigHome home;
  const mvtest::EnvironmentVariable config("XDG_CONFIG_HOME", home.path() + "/100%");
  const std::string folder = makeProgram("/50%/Morvantis");
  EXPECT_FALSE(writeAutostartEntry("Morvantis", folder + "/50%/Morvantis"));
  EXPECT_FALSE(fs::exists(home.path() + "/100%/autostart"));
  fs::remove_all(folder);
}

TEST(Autostart, WithoutAHomeVariableTheEntryIsInTheHomeFolderOfTheUserDatabase) {
  const mvtest::EnvironmentVariable config("XDG_CONFIG_HOME", "");
  const mvtest::EnvironmentVariable home("HOME", "");
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(autostartEntryFile("Morvantis", "/opt/Morvantis").rfind(std::string(user->pw_dir) + "/.config/autostart/Morvantis-", 0), 0u)
      << autostartEntryFile("Morvantis", "/opt/Morvantis");
}

namespace {

// Whether the desktop, reading the entry, starts `program` itself.
bool theDesktopStarts(const std::string& entry, const std::string& program) {
  const std::string started = programTheDesktopStarts(entry);
  std::error_code error;
  return !started.empty() && fs::equivalent(started, program, error);
}

}  // namespace

TEST(Autostart, AnEntryWhoseLinkIsMissingOrLeadsElsewhereIsPutRightWhenWrittenAgain) {
  const mvtest::TemporaryConfigHome home;
  const std::string folder = makeProgram("/caf\xE9/Morvantis");
  const std::string program = folder + "/caf\xE9/Morvantis";
  std::ofstream(folder + "/Other") << "#!/bin/sh\n";
  fs::permissions(folder + "/Other", fs::perms::owner_all);
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  const std::string entry = autostartEntryFile("Morvantis", program);
  const std::string link = programTheDesktopStarts(entry);
  ASSERT_NE(link, "");
  // Gone: the desktop would start nothing.
  fs::remove(link);
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  EXPECT_TRUE(theDesktopStarts(entry, program)) << mvtest::slurp(entry);
  // Leading to another program: the desktop would start that one.
  fs::remove(link);
  fs::create_symlink(folder + "/Other", link);
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  EXPECT_TRUE(theDesktopStarts(entry, program)) << mvtest::slurp(entry);
  fs::remove_all(folder);
}

TEST(Autostart, ALinkOfTheEarlierFormGivesWayToOneThatBearsTheProgramsOwnName) {
  const mvtest::TemporaryConfigHome home;
  const std::string folder = makeProgram("/caf\xE9/Morvantis");
  const std::string program = folder + "/caf\xE9/Morvantis";
  const std::string entry = autostartEntryFile("Morvantis", program);
  // As an earlier version left it: the link in the place of the link's
  // folder, bearing the entry's name, which the program started through it
  // would run under.
  const std::string stem = entry.substr(0, entry.size() - std::string(".desktop").size());
  fs::create_directories(home.path() + "/autostart");
  fs::create_symlink(program, stem);
  std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Morvantis\nExec=\"" << stem << "\"\nTryExec="
                       << stem << "\nTerminal=false\n";
  ASSERT_TRUE(theDesktopStarts(entry, program));
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  EXPECT_TRUE(theDesktopStarts(entry, program)) << mvtest::slurp(entry);
  EXPECT_EQ(fs::path(programTheDesktopStarts(entry)).filename(), "Morvantis") << mvtest::slurp(entry);
  fs::remove_all(folder);
}

TEST(Autostart, SwitchingOffLeavesAFileOfTheUsersInTheLinkFolderAndSucceeds) {
  const mvtest::TemporaryConfigHome home;
  const std::string folder = makeProgram("/caf\xE9/Morvantis");
  const std::string program = folder + "/caf\xE9/Morvantis";
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  const std::string entry = autostartEntryFile("Morvantis", program);
  const std::string link = programTheDesktopStarts(entry);
  ASSERT_NE(link, "");
  const fs::path linkFolder = fs::path(link).parent_path();
  std::ofstream(linkFolder / "notes.txt") << "mine";
  // A link a write cut short left half-placed is the entry's too.
  fs::create_symlink(program, link + ".new");
  EXPECT_TRUE(removeAutostartEntry("Morvantis", program));
  EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  EXPECT_FALSE(fs::exists(fs::symlink_status(link + ".new")));
  EXPECT_EQ(mvtest::slurp((linkFolder / "notes.txt").string()), "mine");
  EXPECT_TRUE(removeAutostartEntry("Morvantis", program)) << "switching off again";
  fs::remove_all(folder);
}
