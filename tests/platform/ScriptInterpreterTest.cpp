// The program the system runs for a script, named as /proc/PID/exe names the
// process of a script that runs: real scripts are started and compared.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ProcessList.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using mv::platform::scriptInterpreterOf;

namespace mvtest {
namespace {

class ScriptInterpreter : public ProgramFolderTest {
 protected:
  // A folder of programs to search: "tools/shell" is a link to /bin/sh.
  std::string toolsPath() {
    fs::create_directories(native("tools"));
    fs::create_symlink("/bin/sh", native("tools/shell"));
    return native("nothing") + ":" + native("tools");
  }
};

TEST_F(ScriptInterpreter, AScriptIsKnownByTheProgramThatRunsIt) {
  const std::string script = writeScript("bin/backup", "/bin/sh");
  const std::string seen = runningExecutable(script);
  ASSERT_FALSE(seen.empty());
  EXPECT_NE(seen, script);
  EXPECT_EQ(scriptInterpreterOf(script), seen);
}

TEST_F(ScriptInterpreter, EnvStandsForTheProgramItFindsAlongPath) {
  const std::string path = toolsPath();
  const char* saved = std::getenv("PATH");
  const std::string before = saved ? saved : "";
  setenv("PATH", path.c_str(), 1);
  const std::string plain = writeScript("bin/plain", "/usr/bin/env shell");
  const std::string split = writeScript("bin/split", "/usr/bin/env -S -u HOME LANG=C shell -e");
  const std::string seen = runningExecutable(plain, path);
  const auto plainAnswer = scriptInterpreterOf(plain), splitAnswer = scriptInterpreterOf(split);
  setenv("PATH", before.c_str(), 1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(plainAnswer, seen);
  EXPECT_EQ(runningExecutable(split, path), seen);
  EXPECT_EQ(splitAnswer, seen);
}

TEST_F(ScriptInterpreter, EnvIsReadWithItsLongAndJoinedOptionsAndItsSettings) {
  const std::string path = toolsPath();
  const EnvironmentVariable searched("PATH", "/nonexistent:" + path);
  // Each line runs the program "shell" of the tools folder, or /bin/sh,
  // which the emptied environment finds in the usual folders.
  const std::vector<std::string> lines = {"/usr/bin/env --split-string=shell -e",
                                          "/usr/bin/env --spl=shell",
                                          "/usr/bin/env -vS shell # a comment",
                                          "/usr/bin/env -S 'shell' -e",
                                          "/usr/bin/env -S PATH=" + native("tools") + " shell",
                                          "/usr/bin/env -iS sh",
                                          "/usr/bin/env -S -u PATH sh",
                                          "/usr/bin/env -S - sh"};
  for (const std::string& line : lines) {
    const std::string script = writeScript("bin/tool", line);
    const std::string seen = runningExecutable(script, path);
    ASSERT_FALSE(seen.empty()) << line;
    EXPECT_EQ(scriptInterpreterOf(script), seen) << line;
  }
  // Options env refuses run nothing.
  for (const char* line : {"/usr/bin/env --shell=x", "/usr/bin/env --null=1 shell", "/usr/bin/env -x shell"}) {
    const std::string script = writeScript("bin/tool", line);
    EXPECT_EQ(runningExecutable(script, path), "") << line;
    EXPECT_EQ(scriptInterpreterOf(script), "") << line;
  }
  // Nor do options that take the script itself for their value (run, such
  // a script starts itself over and over).
  for (const char* line : {"/usr/bin/env --split-string", "/usr/bin/env -S"})
    EXPECT_EQ(scriptInterpreterOf(writeScript("bin/tool", line)), "") << line;
}

TEST_F(ScriptInterpreter, ALinkNamedEnvToAProgramThatActsByItsNameIsEnv) {
  const std::string path = toolsPath();
  const EnvironmentVariable searched("PATH", path);
  // A program that serves under several names, as busybox does: started as
  // env it acts as env, under any other name it refuses to run.
  writeText("multi/multicall",
            "#!/bin/bash\n"
            "case \"${0##*/}\" in\n"
            "  env) exec /usr/bin/env \"$@\" ;;\n"
            "  *) exit 64 ;;\n"
            "esac\n");
  fs::permissions(native("multi/multicall"), fs::perms::owner_all);
  fs::create_symlink("multicall", native("multi/env"));
  const std::string script = writeScript("bin/tool", native("multi/env") + " shell");
  const std::string seen = runningExecutable(script, path);
  ASSERT_FALSE(seen.empty());
  ASSERT_NE(seen, fs::canonical("/bin/bash").string());
  EXPECT_EQ(scriptInterpreterOf(script), seen);
}

TEST_F(ScriptInterpreter, BlanksAfterTheMarkAreSkippedAsTheSystemSkipsThem) {
  for (const char* line : {" /bin/sh", "\t/bin/sh", " \t /bin/sh -e"}) {
    const std::string script = writeScript("bin/tool", line);
    const std::string seen = runningExecutable(script);
    ASSERT_FALSE(seen.empty()) << line;
    EXPECT_EQ(scriptInterpreterOf(script), seen) << line;
  }
}

TEST_F(ScriptInterpreter, AnInterpreterThatIsAScriptStandsForItsOwn) {
  const std::string wrapper = writeScript("bin/wrapper", "/bin/sh");
  const std::string script = writeScript("bin/tool", wrapper);
  const std::string seen = runningExecutable(script);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(scriptInterpreterOf(script), seen);
}

TEST_F(ScriptInterpreter, AFileThatIsNoScriptHasNoneAndAMissingInterpreterIsEmpty) {
  writeText("bin/program", std::string("\x7f" "ELF\x02\x01\x01", 7));
  EXPECT_EQ(scriptInterpreterOf(native("bin/program")), std::nullopt);
  EXPECT_EQ(scriptInterpreterOf(native("bin/none")), std::nullopt);
  // A pipe is not read: nothing writes into it.
  ASSERT_EQ(::mkfifo(native("bin/pipe").c_str(), 0700), 0);
  EXPECT_EQ(scriptInterpreterOf(native("bin/pipe")), std::nullopt);
  for (const char* interpreter : {"/nonexistent/shell", "relative/sh", "/usr/bin/env no-such-program-here", ""}) {
    const std::string script = writeScript("bin/orphan", interpreter);
    EXPECT_EQ(scriptInterpreterOf(script), "") << interpreter;
  }
}

}  // namespace
}  // namespace mvtest
