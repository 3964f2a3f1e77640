// Private-profile files as other writers leave them: padded names, "]" in a
// section name, a byte-order mark, a rewrite by another process, the
// temporary files of interrupted writes, and the test for a damaged file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sys/file.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "platform/ProfileText.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace mv::platform;

namespace {

const std::string Bom = "\xEF\xBB\xBF";

// The ID of a process that has ended.
pid_t endedProcess() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

}  // namespace

class ProfileEdges : public mvtest::ProgramFolderTest {
 protected:
  std::string file() const { return folder + "\\Profiles\\edges.ini"; }
  std::string text() const { return readText("Profiles/edges.ini"); }
};

TEST_F(ProfileEdges, PaddedNamesFindTheirSectionAndKeyAndAddNoDuplicate) {
  writeText("Profiles/edges.ini", "[Main]\r\nPath=a\r\n");
  EXPECT_EQ(profileGetString("  Main ", " Path\t", file()).value(), "a");
  ASSERT_NE(profileRead(file())->section(" main "), nullptr);
  ASSERT_TRUE(profileWriteString(" Main ", "  Path ", "b", file()));
  ASSERT_TRUE(profileWriteString("Main  ", " New ", "c", file()));
  ASSERT_TRUE(profileWriteString(" Other ", " k ", "d", file()));
  ASSERT_TRUE(profileWriteSection("  Table ", {{" 1 ", "x"}}, file()));
  EXPECT_EQ(text(), "[Main]\r\nPath=b\r\nNew=c\r\n[Other]\r\nk=d\r\n[Table]\r\n1=x\r\n");
  ASSERT_TRUE(profileDeleteSection(" other", file()));
  EXPECT_EQ(text(), "[Main]\r\nPath=b\r\nNew=c\r\n[Table]\r\n1=x\r\n");
}

TEST_F(ProfileEdges, ASectionNameMayHoldAClosingBracket) {
  ASSERT_TRUE(profileWriteString("Mail [Bin]", "k", "1", file()));
  ASSERT_TRUE(profileWriteString("Mail [Bin]", "k", "2", file()));
  ASSERT_TRUE(profileWriteString("a]b", "j", "3", file()));
  EXPECT_EQ(text(), "[Mail [Bin]]\r\nk=2\r\n[a]b]\r\nj=3\r\n");
  profileClearCache();
  EXPECT_EQ(profileGetString("mail [bin]", "K", file()).value(), "2");
  EXPECT_EQ(profileGetString("a]b", "j", file()).value(), "3");
  ASSERT_EQ(profileRead(file())->sections().size(), 2u);
  EXPECT_EQ(profileRead(file())->sections()[1].name, "a]b");
}

TEST_F(ProfileEdges, AByteOrderMarkIsPassedOverAndKept) {
  writeText("Profiles/edges.ini", Bom + "[First]\r\nk=1\r\n[Second]\r\nj=2\r\n");
  EXPECT_EQ(profileGetString("First", "k", file()).value(), "1");
  ASSERT_EQ(profileRead(file())->sections().size(), 2u);
  ASSERT_TRUE(profileWriteString("First", "k", "3", file()));
  ASSERT_TRUE(profileWriteString("First", "n", "4", file()));
  EXPECT_EQ(text(), Bom + "[First]\r\nk=3\r\nn=4\r\n[Second]\r\nj=2\r\n");
  // A mark that is not at the start is part of its line.
  writeText("Profiles/edges.ini", "[A]\r\n" + Bom + "k=1\r\n");
  EXPECT_FALSE(profileGetString("A", "k", file()).has_value());
}

TEST_F(ProfileEdges, ASameSizeRewriteInPlaceByAnotherProcessIsSeenAtOnce) {
  const std::string native = this->native("Profiles/edges.ini");
  // The other process is started beforehand and rewrites on request, so the
  // rewrite follows the read within microseconds: on a file system with
  // coarse time stamps, size, inode and times all stay as they were.
  int request[2], done[2];
  ASSERT_EQ(::pipe(request), 0);
  ASSERT_EQ(::pipe(done), 0);
  pid_t writer = ::fork();
  if (writer == 0) {
    ::close(request[1]);
    ::close(done[0]);
    char c;
    while (::read(request[0], &c, 1) == 1) {
      int fd = ::open(native.c_str(), O_WRONLY);
      bool ok = fd >= 0 && ::pwrite(fd, "[S]\r\nk=BBBB\r\n", 13, 0) == 13;
      if (fd >= 0) ::close(fd);
      char r = ok ? 'y' : 'n';
      if (::write(done[1], &r, 1) != 1) break;
    }
    ::_exit(0);
  }
  ::close(request[0]);
  ::close(done[1]);
  // However the test ends, the writer is told to end and waited for.
  struct EndWriter {
    int fd;
    pid_t pid;
    ~EndWriter() {
      ::close(fd);
      ::waitpid(pid, nullptr, 0);
    }
  } endWriter{request[1], writer};
  for (int round = 0; round < 25; ++round) {
    const std::string mine = round % 2 ? "AAAA" : "CCCC";
    ASSERT_TRUE(profileWriteString("S", "k", mine, file()));
    ASSERT_EQ(profileGetString("S", "k", file()).value(), mine);
    char r = 0;
    ASSERT_EQ(::write(request[1], "w", 1), 1);
    ASSERT_EQ(::read(done[0], &r, 1), 1);
    ASSERT_EQ(r, 'y');
    EXPECT_EQ(profileGetString("S", "k", file()).value(), "BBBB") << "round " << round;
  }
  ::close(done[0]);
}

TEST_F(ProfileEdges, AFileReplacedByAnotherWriterRightAfterAWriteIsSeen) {
  // Another writer's atomic replace of the same size, within the same clock
  // tick as this process's own write: the path names a new file.
  ASSERT_TRUE(profileWriteString("S", "k", "AAAA", file()));
  ASSERT_EQ(profileGetString("S", "k", file()).value(), "AAAA");
  writeText("Profiles/edges.new", "[S]\r\nk=BBBB\r\n");
  fs::rename(native("Profiles/edges.new"), native("Profiles/edges.ini"));
  EXPECT_EQ(profileGetString("S", "k", file()).value(), "BBBB");
}

TEST_F(ProfileEdges, AYoungTemporaryFileNobodyHoldsYetStaysWhateverProcessItsIDNames) {
  // Between its creation and its lock a writer's temporary file is held by
  // nobody. The writer may run in another PID namespace, where its number
  // names this process, or an ended one, or any other here.
  const pid_t ended = endedProcess();
  writeText("Profiles/MVDB.MVL", "[A]\r\n");
  writeText("Profiles/MVDB.MVL.~" + std::to_string(ended), "being written");
  writeText("Profiles/ProgramMain.MVL.~" + std::to_string(::getpid()), "being written");
  writeText("Profiles/ProgramControl.MVL.~" + std::to_string(::getppid()), "being written");
  EXPECT_EQ(removeStaleTemporaryFilesBelow(folder + "\\"), 0);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(native("Profiles"))) left.push_back(e.path().filename().string());
  EXPECT_EQ(left.size(), 4u);
}

TEST_F(ProfileEdges, BesideAFileOnlyItsOwnTemporaryFilesGo) {
  auto aged = [&](const std::string& relative) {
    writeText(relative, "half");
    const struct timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native(relative).c_str(), old, 0), 0);
  };
  writeText("Logs/Alertlog.txt", "Log File\r\n");
  aged("Logs/Alertlog.txt.~12");
  aged("Logs/notes.~12");
  aged("Logs/Alertlog.txt.old.~12");
  writeText("Logs/Alertlog.txt.~draft", "the user's");
  EXPECT_EQ(removeStaleTemporaryFilesOf(folder + "\\logs\\alertlog.txt"), 1);
  EXPECT_FALSE(fs::exists(native("Logs/Alertlog.txt.~12")));
  EXPECT_TRUE(fs::exists(native("Logs/notes.~12")));
  EXPECT_TRUE(fs::exists(native("Logs/Alertlog.txt.old.~12")));
  EXPECT_TRUE(fs::exists(native("Logs/Alertlog.txt.~draft")));
  EXPECT_EQ(removeStaleTemporaryFilesOf(folder + "\\NoSuchFolder\\a.txt"), 0);
}

TEST_F(ProfileEdges, TemporaryFilesNobodyHoldsGoInEveryFolderBelowWhateverProcessTheirIDNames) {
  // Process 1 always runs (in a PID namespace, it is the namespace's first
  // process): only the lock its writer holds tells a write in progress.
  auto aged = [&](const std::string& relative) {
    writeText(relative, "half");
    const struct timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native(relative).c_str(), old, 0), 0);
  };
  aged("System32/config/registry.~1");
  aged("Profiles/MVDB.MVL.~1");
  aged("Profiles/Components.MVL.~1");
  const int held = ::open(native("Profiles/Components.MVL.~1").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(removeStaleTemporaryFilesBelow(folder + "\\"), 2);
  EXPECT_FALSE(fs::exists(native("System32/config/registry.~1")));
  EXPECT_FALSE(fs::exists(native("Profiles/MVDB.MVL.~1")));
  EXPECT_TRUE(fs::exists(native("Profiles/Components.MVL.~1")));
  ::close(held);
}

TEST_F(ProfileEdges, TemporaryFilesGoThroughTheLinkedFoldersTheProgramWritesInAndNoOtherLink) {
  // The settings folder and the folder of the registry are links to folders
  // elsewhere; so is a folder the program does not write in.
  const std::string elsewhere = folder + "-elsewhere";
  for (const char* name : {"Profiles", "System32/config", "Other"}) {
    fs::create_directories(elsewhere + "/" + name);
    fs::remove_all(native(name));
    fs::create_directory_symlink(elsewhere + "/" + name, native(name));
    const std::string left = native(std::string(name) + "/file.~1");
    writeText(std::string(name) + "/file.~1", "half");
    const struct timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, left.c_str(), old, 0), 0);
  }
  EXPECT_EQ(removeStaleTemporaryFilesBelow(folder + "\\"), 2);
  EXPECT_FALSE(fs::exists(elsewhere + "/Profiles/file.~1"));
  EXPECT_FALSE(fs::exists(elsewhere + "/System32/config/file.~1"));
  EXPECT_TRUE(fs::exists(elsewhere + "/Other/file.~1"));
  fs::remove_all(elsewhere);
}

TEST_F(ProfileEdges, AWriterHoldsItsTemporaryFileWhileItWrites) {
  // The temporary file's name is taken by a pipe, so that the write stops in
  // it until this test reads; meanwhile an open of its own tries the lock.
  const std::string file = native("Profiles/held.txt");
  const std::string temporary = file + ".~" + std::to_string(::getpid());
  ASSERT_EQ(::mkfifo(temporary.c_str(), 0644), 0);
  const int reader = ::open(temporary.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  // More than the pipe holds: the writer waits in its write.
  std::thread writer([&] { static_cast<void>(writeNativeFileAtomic(file, std::string(1 << 20, 'x'))); });
  struct pollfd first = {reader, POLLIN, 0};
  bool held = false;
  if (::poll(&first, 1, 10000) == 1) {
    const int other = ::open(temporary.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    held = other >= 0 && ::flock(other, LOCK_EX | LOCK_NB) == -1 && errno == EWOULDBLOCK;
    if (other >= 0) ::close(other);
  }
  ::fcntl(reader, F_SETFL, 0);
  char bytes[65536];
  while (::read(reader, bytes, sizeof bytes) > 0) {
  }
  writer.join();
  ::close(reader);
  EXPECT_TRUE(held);
}

TEST_F(ProfileEdges, AnAtomicWriteLeavesNoTemporaryFileAndRenameRefusesATakenName) {
  ASSERT_TRUE(writeFileAtomic(folder + "\\Profiles\\a.txt", "one"));
  ASSERT_TRUE(writeFileAtomic(folder + "\\Profiles\\b.txt", "two"));
  EXPECT_EQ(listFiles(folder + "\\Profiles").size(), 2u);
  EXPECT_FALSE(renameFile(folder + "\\Profiles\\a.txt", folder + "\\Profiles\\b.txt"));
  EXPECT_EQ(readText("Profiles/b.txt"), "two");
  ASSERT_TRUE(renameFile(folder + "\\Profiles\\a.txt", folder + "\\Profiles\\c.txt"));
  EXPECT_EQ(readText("Profiles/c.txt"), "one");
  EXPECT_FALSE(fileExists(folder + "\\Profiles\\a.txt"));
}

TEST(ProfileTextDamage, SoundTextsPass) {
  const std::string reference = ";top\r\n[Main]\r\nA=1\r\nB=2\r\n[Other]\r\n";
  EXPECT_EQ(profileTextDamage(reference, reference), "");
  // More sections and keys, other case, padding, comments, blank lines, a
  // mark and LF line ends are all sound.
  EXPECT_EQ(profileTextDamage(Bom + "\n[ main ]\n; note\n b = \nA=x=y\n\n[OTHER]\nq=1\n[New]\n", reference), "");
  EXPECT_EQ(profileTextDamage("", ";only a comment\r\n"), "");
}

TEST(ProfileTextDamage, EveryKindOfDamageIsNamed) {
  const std::string reference = "[Main]\r\nA=1\r\nB=2\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"[Main]\r\nA=1\r\nB=", "it ends inside a line"},
      {"[Main]\r\nA=1\r\nB=2\r\ngarbage\r\n", "line 4 is no key line"},
      {"[Main]\r\nA=1\r\n=2\r\nB=2\r\n", "line 3 is no key line"},
      {"[Main\r\nA=1\r\nB=2\r\n", "line 1 is no section header"},
      {"[]\r\nA=1\r\nB=2\r\n", "line 1 is no section header"},
      {"[Main] tail\r\nA=1\r\nB=2\r\n", "line 1 is no section header"},
      {"A=1\r\n[Main]\r\nA=1\r\nB=2\r\n", "line 1 stands before the first section"},
      {std::string("[Main]\r\nA=1\0\r\nB=2\r\n", 19), "line 2 holds a NUL byte"},
      {"[Main]\r\nA=1\r\n", "key b of [main] is missing"},
      {"[Other]\r\nA=1\r\nB=2\r\n", "section [main] is missing"},
      {"", "section [main] is missing"},
  };
  for (const auto& [text, why] : cases) EXPECT_EQ(profileTextDamage(text, reference), why) << text;
}
