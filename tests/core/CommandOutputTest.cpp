// The console command runner, through real commands started without a shell.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "core/MGetCmdOutput.h"
#include "core/VBRuntime.h"
#include "platform/Process.h"
#include "tests/support/TestEnv.h"

using namespace mv;

namespace {

class CommandOutputTest : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  }
  void TearDown() override {
    lngCommandTimeLimitMs = kCommandTimeLimitMs;
    setenv("PATH", savedPath.c_str(), 1);
    ProgramFolderTest::TearDown();
  }
  // An executable script that prints its tag and its arguments.
  void writeScript(const std::string& relative, const std::string& tag) {
    writeText(relative, "#!/bin/sh\necho " + tag + " \"$@\"\n");
    chmod(native(relative).c_str(), 0755);
  }
  std::string run(const std::string& cmd) { return GetCommandOutput(cmd, true, true, true); }
  std::string savedPath;
};

// True once the process is gone or waits only to be collected; a killed
// process takes a moment to die, so it looks again for a few seconds.
bool processEnded(pid_t pid) {
  for (int i = 0; i < 100; ++i, usleep(50000)) {
    std::string stat = mvtest::slurp("/proc/" + std::to_string(pid) + "/stat");
    auto paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 >= stat.size()) return true;
    if (stat[paren + 2] == 'Z' || stat[paren + 2] == 'X') return true;
  }
  return false;
}

}  // namespace

TEST_F(CommandOutputTest, ReturnsEverythingTheCommandWrote) {
  // 500 lines of 11 bytes: far more than one read of 1024 bytes.
  std::string expected;
  for (int i = 0; i < 500; ++i) expected += "abcdefghij\n";
  EXPECT_EQ(run("sh -c \"yes abcdefghij | head -n 500\""), expected);
  EXPECT_EQ(run("sh -c \"exit 0\""), "");
  EXPECT_EQ(run("printf \"a\\r\\nb\\r\\n\""), "a\r\nb\r\n");
}

TEST_F(CommandOutputTest, OutputAndErrorArriveInTheOrderWritten) {
  const std::string cmd = "sh -c \"printf one; printf two >&2; printf three; printf four >&2\"";
  EXPECT_EQ(run(cmd), "onetwothreefour");
  EXPECT_EQ(GetCommandOutput(cmd, true, false, true), "onethree");
  EXPECT_EQ(GetCommandOutput(cmd, false, true, false), "twofour");
}

TEST_F(CommandOutputTest, NoCaptureFlagIsAnInvalidCallAndStartsNothing) {
  try {
    GetCommandOutput("sh -c \"echo ran > " + native("ran") + "\"", false, false, true);
    FAIL() << "no capture flag must raise an error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), errInvalidCall);
  }
  EXPECT_FALSE(std::filesystem::exists(native("ran")));
}

TEST_F(CommandOutputTest, AProgramThatCannotBeStartedGivesEmptyText) {
  EXPECT_EQ(run("no-such-program-mv3 stop mvs"), "");
  EXPECT_EQ(run(""), "");
  writeText("System32/notaprogram", "plain text");
  EXPECT_EQ(run("notaprogram"), "");
}

TEST_F(CommandOutputTest, ArgumentsReachTheProgramWithoutAShell) {
  EXPECT_EQ(run("printf \"%s|\" \"a b\" c;d $(id) `x`"), "a b|c;d|$(id)|`x`|");
  EXPECT_EQ(run("printf \"%s|\" \"say \\\"hi\\\"\" C:\\dir\\"), "say \"hi\"|C:\\dir\\|");
}

TEST_F(CommandOutputTest, ProgramFolderThenSystemDirectoryThenPath) {
  std::filesystem::create_directories(native("pathdir"));
  writeScript("pathdir/net", "path-net");
  setenv("PATH", (native("pathdir") + ":" + savedPath).c_str(), 1);
  EXPECT_EQ(run("net stop mvs"), "path-net stop mvs\n");
  writeScript("System32/net", "system-net");
  EXPECT_EQ(run("net stop mvs"), "system-net stop mvs\n");
  EXPECT_EQ(run("NET start mvs"), "system-net start mvs\n") << "names match without regard to case";
  writeScript("net", "folder-net");
  EXPECT_EQ(run("net start mvs"), "folder-net start mvs\n");
}

TEST_F(CommandOutputTest, WindowEventsRunWhileTheCommandRuns) {
  bool ticked = false;
  QTimer::singleShot(0, [&] { ticked = true; });
  EXPECT_EQ(run("sh -c \"sleep 0.3; printf done\""), "done");
  EXPECT_TRUE(ticked);
}

TEST_F(CommandOutputTest, ACommandThatHangsIsEndedWithItsChildrenAtTheTimeLimit) {
  lngCommandTimeLimitMs = 300;
  // The shell reports its own and a background child's process numbers,
  // then never ends on its own; the child holds the pipe open as well.
  std::string out = run("sh -c \"sleep 100 & echo $$ $!; while :; do sleep 1; done\"");
  pid_t shell = 0, child = 0;
  ASSERT_EQ(std::sscanf(out.c_str(), "%d %d", &shell, &child), 2) << out;
  EXPECT_TRUE(processEnded(shell));
  EXPECT_TRUE(processEnded(child));
  std::string log = readText("Err.log");
  EXPECT_NE(log.find("GetCommandOutput of MGetCmdOutput"), std::string::npos);
  EXPECT_NE(log.find("was ended"), std::string::npos);
}

TEST(CommandLineSplit, FollowsTheQuotingRulesOfCommandLines) {
  using platform::splitCommandLine;
  using W = std::vector<std::string>;
  EXPECT_EQ(splitCommandLine("  net   stop\tmvs "), (W{"net", "stop", "mvs"}));
  EXPECT_EQ(splitCommandLine("a \"b c\" d\"e f\"g"), (W{"a", "b c", "de fg"}));
  EXPECT_EQ(splitCommandLine("x \\\\\\\"y \\\\\"z w\""), (W{"x", "\\\"y", "\\z w"}));
  EXPECT_EQ(splitCommandLine("C:\\a\\b \"\" \"a\"\"b\""), (W{"C:\\a\\b", "", "a\"b"}));
  EXPECT_TRUE(splitCommandLine("   ").empty());
}
