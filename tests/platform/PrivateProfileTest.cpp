#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/ProfileText.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/support/TestEnv.h"

using namespace mv::platform;

class PrivateProfile : public mvtest::ProgramFolderTest {
 protected:
  std::string file() const { return folder + "\\Profiles\\test.ini"; }
  std::string text() const { return readText("Profiles/test.ini"); }
};

TEST_F(PrivateProfile, MissingFileReadsEmptyAndIsCreatedOnWrite) {
  EXPECT_FALSE(profileGetString("S", "k", file()).has_value());
  EXPECT_TRUE(profileRead(file())->sections().empty());
  ASSERT_TRUE(profileWriteString("S", "k", "v", file()));
  EXPECT_EQ(text(), "[S]\r\nk=v\r\n");
}

TEST_F(PrivateProfile, NamesMatchWithoutRegardToCaseAndBlanksAreTrimmed) {
  writeText("Profiles/test.ini", "[Main]\r\n  Path  =  C:\\x y  \r\nQuoted=\"  a \"\r\n");
  EXPECT_EQ(profileGetString("MAIN", "path", file()).value(), "C:\\x y");
  EXPECT_EQ(profileGetString("main", "QUOTED", file()).value(), "  a ");
}

TEST_F(PrivateProfile, WritesChangeOnlyTheLinesTheyConcern) {
  std::string original =
      "; header comment\r\n[A]\r\nk1=1\r\n; inner\r\nk2=2\r\n\r\n[B]\r\nx=y\n";
  writeText("Profiles/test.ini", original);
  ASSERT_TRUE(profileWriteString("a", "K2", "22", file()));
  ASSERT_TRUE(profileWriteString("A", "k3", "3", file()));
  ASSERT_TRUE(profileWriteString("C", "z", "9", file()));
  EXPECT_EQ(text(),
            "; header comment\r\n[A]\r\nk1=1\r\n; inner\r\nk2=22\r\nk3=3\r\n\r\n[B]\r\nx=y\n[C]\r\nz=9\r\n");
  ASSERT_TRUE(profileDeleteKey("A", "k1", file()));
  ASSERT_TRUE(profileDeleteSection("b", file()));
  EXPECT_EQ(text(), "; header comment\r\n[A]\r\n; inner\r\nk2=22\r\nk3=3\r\n\r\n[C]\r\nz=9\r\n");
}

TEST_F(PrivateProfile, SeveralKeysGoInOneWriteInTheirPlaces) {
  writeText("Profiles/test.ini", "[A]\r\nk1=1\r\n\r\n[B]\r\nx=y\r\n");
  ASSERT_TRUE(profileWriteKeys("a", {{"new1", "n"}, {"K1", "one"}, {"new2", "m"}}, file()));
  ASSERT_TRUE(profileWriteKeys("C", {{"p", "1"}, {"q", "2"}}, file()));
  EXPECT_EQ(text(), "[A]\r\nk1=one\r\nnew1=n\r\nnew2=m\r\n\r\n[B]\r\nx=y\r\n[C]\r\np=1\r\nq=2\r\n");
}

TEST_F(PrivateProfile, SectionsAreListedAndReplacedInFileOrder) {
  writeText("Profiles/test.ini", "[0002]\r\n1=a\r\n[0001]\r\n1=b\r\n2=c\r\n[0003]\r\n");
  auto data = profileRead(file());
  ASSERT_EQ(data->sections().size(), 3u);
  EXPECT_EQ(data->sections()[0].name, "0002");
  EXPECT_EQ(data->sections()[1].entries.size(), 2u);
  ASSERT_TRUE(profileWriteSection("0001", {{"1", "new"}}, file()));
  ASSERT_TRUE(profileWriteSection("0004", {}, file()));
  EXPECT_EQ(text(), "[0002]\r\n1=a\r\n[0001]\r\n1=new\r\n[0003]\r\n[0004]\r\n");
  // The picture taken before the writes is unchanged.
  EXPECT_EQ(data->sections()[1].entries.size(), 2u);
}

TEST_F(PrivateProfile, ValuesALineCannotCarryRoundTrip) {
  const std::string awkward[] = {std::string("a\0b", 3), "x\r\ny", " lead", "trail ", "\"quoted\"",
                                 "'single'", "100%", "%41", "\x1a"};
  for (const auto& v : awkward) {
    ASSERT_TRUE(profileWriteString("S", "k", v, file()));
    profileClearCache();
    EXPECT_EQ(profileGetString("S", "k", file()).value(), v);
  }
  // Values a line carries stay byte for byte as they are.
  ASSERT_TRUE(profileWriteString("S", "k", "50% \"off\"", file()));
  EXPECT_EQ(text(), "[S]\r\nk=50% \"off\"\r\n");
  EXPECT_EQ(encodeProfileValue("plain"), "plain");
  EXPECT_FALSE(valueNeedsEscape("a=b;c"));
}

TEST_F(PrivateProfile, FailedWritesAreReportedAndLoseNothing) {
  ASSERT_TRUE(profileWriteString("S", "k", "v", file()));
  ASSERT_TRUE(setReadOnly(file(), true));
  EXPECT_TRUE(isReadOnlyFile(file()));
  EXPECT_FALSE(profileWriteString("S", "k", "w", file()));
  EXPECT_EQ(profileGetString("S", "k", file()).value(), "v");
  EXPECT_FALSE(profileWriteString("S", "k", "v", folder + "\\NoSuchFolder\\x.ini"));
}

TEST_F(PrivateProfile, ReadsSeeChangesMadeBehindTheCache) {
  ASSERT_TRUE(profileWriteString("S", "k", "v", file()));
  EXPECT_EQ(profileGetString("S", "k", file()).value(), "v");
  writeText("Profiles/test.ini", "[S]\r\nk=changed outside\r\n");
  EXPECT_EQ(profileGetString("S", "k", file()).value(), "changed outside");
  // The same file named with another case of letters is the same file.
  EXPECT_EQ(profileGetString("S", "k", folder + "\\profiles\\TEST.INI").value(), "changed outside");
}

TEST_F(PrivateProfile, AChangeAnotherProcessMadeWhileTheCacheWasClearedIsStillCountedAsOne) {
  ASSERT_TRUE(profileWriteString("S", "k", "mine", file()));
  const std::uint64_t before = profileLookForOutsideChanges({file()});
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(writeNativeFileAtomic(native("Profiles/test.ini"), "[S]\r\nk=another's\r\n") ? 0 : 3);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  profileClearCache();
  EXPECT_EQ(profileLookForOutsideChanges({file()}), before + 1);
}

namespace {
// Everything a picture says, in file order: names, keys, values.
std::string describe(const ProfileData& data) {
  std::string out;
  for (const auto& s : data.sections()) {
    out += "[" + s.name + "]";
    for (const auto& e : s.entries) out += " " + e.key + (e.hasEquals ? "=" + e.value : "") + ";";
    out += "\n";
  }
  return out;
}
}  // namespace

TEST_F(PrivateProfile, APictureKeptThroughWritesIsTheOneAFreshReadGives) {
  writeText("Profiles/test.ini",
            "; head\r\nk=before any section\r\n[A]\r\nk1=1\r\n; note\r\nnoequals\r\n\r\n[b]\r\nx=\"  q \"\r\n"
            "[A]\r\nk1=second A\r\n[Last]\r\nend=1");
  auto held = profileRead(file());
  const std::string before = describe(*held);
  ASSERT_TRUE(profileWriteString("a", "K1", "one", file()));
  ASSERT_TRUE(profileWriteString("A", "new", " lead", file()));
  ASSERT_TRUE(profileWriteKeys("Last", {{"end", "2"}, {"more", "3"}}, file()));
  ASSERT_TRUE(profileWriteSection("B", {{"y", "1"}, {"z", ""}}, file()));
  ASSERT_TRUE(profileWriteSection("Fresh", {{"1", "a"}}, file()));
  ASSERT_TRUE(profileDeleteKey("A", "noequals", file()));
  ASSERT_TRUE(profileDeleteSection("b", file()));
  ASSERT_TRUE(profileWriteString("B", "again", "x", file()));
  const std::string kept = describe(*profileRead(file()));
  // A picture held by a reader stays as it was read.
  EXPECT_EQ(describe(*held), before);
  profileClearCache();
  EXPECT_EQ(kept, describe(*profileRead(file())));
  EXPECT_EQ(kept,
            "[A] k1=one; new= lead;\n[A] k1=second A;\n[Last] end=2; more=3;\n[Fresh] 1=a;\n[B] again=x;\n");
}

// ---------------------------------------------------------------------------
// Changes of several files.

class ProfileChanges : public PrivateProfile {
 protected:
  // A change's record names only the program's own files: its settings
  // files and its password file.
  std::string file() const { return folder + "\\Profiles\\test.MVL"; }
  std::string text() const { return readText("Profiles/test.MVL"); }
  std::string second() const { return folder + "\\Profiles\\second.MVL"; }
  void SetUp() override {
    PrivateProfile::SetUp();
    lay();
  }
  void lay() {
    writeText("Profiles/test.MVL", "[A]\r\nk=old\r\n");
    writeText("Profiles/second.MVL", "[B]\r\nk=old\r\n");
    writeText("Profiles/gone.MVL", "history");
    deleteFile(folder + "\\System32\\MVPSD.SYS");
    profileClearCache();
  }
  void TearDown() override {
    setProfileFileWriter(nullptr);
    PrivateProfile::TearDown();
  }
  // The change every case below makes: two settings files, a new whole file
  // and a removal.
  bool change() {
    ProfileChange c;
    EXPECT_TRUE(profileWriteString("A", "k", "new", file()));
    EXPECT_TRUE(profileWriteString("B", "k", "new", second()));
    c.writeFile(folder + "\\System32\\MVPSD.SYS", "whole");
    c.removeFile(folder + "\\Profiles\\gone.MVL");
    return c.commit();
  }
  // The change, with every write after the first `writes` failing, as if the
  // program had ended there.
  bool changeEndedAfter(int writes) {
    setProfileFileWriter([left = writes](const std::string& native, const std::string& bytes) mutable {
      return left-- > 0 && writeNativeFileAtomic(native, bytes);
    });
    const bool stored = change();
    setProfileFileWriter(nullptr);
    return stored;
  }
  bool before() {
    return text() == "[A]\r\nk=old\r\n" && readText("Profiles/second.MVL") == "[B]\r\nk=old\r\n" &&
           !fileExists(folder + "\\System32\\MVPSD.SYS") && readText("Profiles/gone.MVL") == "history";
  }
  bool after() {
    return text() == "[A]\r\nk=new\r\n" && readText("Profiles/second.MVL") == "[B]\r\nk=new\r\n" &&
           readText("System32/MVPSD.SYS") == "whole" && !fileExists(folder + "\\Profiles\\gone.MVL");
  }
};

TEST_F(ProfileChanges, HeldWritesAreReadBackAndDroppedUnlessCommitted) {
  {
    ProfileChange c;
    ASSERT_TRUE(profileWriteString("A", "k", "held", file()));
    EXPECT_EQ(profileGetString("a", "K", file()).value(), "held");
    EXPECT_EQ(text(), "[A]\r\nk=old\r\n");
  }
  EXPECT_EQ(profileGetString("A", "k", file()).value(), "old");
  EXPECT_TRUE(change());
  EXPECT_TRUE(after());
  EXPECT_FALSE(fileExists(profileChangeRecordPath()));
}

TEST_F(ProfileChanges, AKillAfterAnyWriteIsFinishedOrUndoneAtTheNextStart) {
  int writes = 0;
  setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    ++writes;
    return writeNativeFileAtomic(native, bytes);
  });
  ASSERT_TRUE(change());
  ASSERT_EQ(writes, 4);  // the record and three files
  for (int done = 0; done < writes; ++done) {
    SCOPED_TRACE("ended after " + std::to_string(done) + " writes");
    lay();
    EXPECT_FALSE(changeEndedAfter(done));
    profileClearCache();
    profileFinishPendingChange();
    EXPECT_TRUE(done <= 1 ? before() : after());
    EXPECT_FALSE(fileExists(profileChangeRecordPath()));
    // A second start has nothing left to finish.
    EXPECT_FALSE(profileFinishPendingChange());
  }
}

TEST_F(ProfileChanges, AFileThatCannotBeWrittenLeavesEveryFileAsItWas) {
  ASSERT_TRUE(setReadOnly(second(), true));
  EXPECT_FALSE(change());
  setReadOnly(second(), false);
  EXPECT_TRUE(before());
  // A write that fails half-way puts back the files written before it.
  int writes = 0;
  setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    return ++writes != 3 && writeNativeFileAtomic(native, bytes);
  });
  ProfileChange c;
  ASSERT_TRUE(profileWriteString("A", "k", "new", file()));
  ASSERT_TRUE(profileWriteString("B", "k", "new", second()));
  EXPECT_FALSE(c.commit());
  EXPECT_EQ(c.failedFile(), second());
  EXPECT_TRUE(before());
  EXPECT_FALSE(fileExists(profileChangeRecordPath()));
}

TEST_F(ProfileChanges, ARecordCutShortChangesNothing) {
  int writes = 0;
  std::string record;
  setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    if (++writes == 1) record = bytes;
    return writes == 1 && writeNativeFileAtomic(native, bytes);
  });
  EXPECT_FALSE(change());
  setProfileFileWriter(nullptr);
  ASSERT_GT(record.size(), 10u);
  const std::string native = profileChangeRecordPath();
  ASSERT_TRUE(writeNativeFileAtomic(native, record.substr(0, record.size() - 4)));
  EXPECT_FALSE(profileFinishPendingChange());
  EXPECT_TRUE(before());
  EXPECT_FALSE(fileExists(native));
}

TEST_F(ProfileChanges, AChangeLeftByAKillIsFinishedInAProgramFolderMovedBeforeTheStart) {
  // Ended after the record and the first file.
  EXPECT_FALSE(changeEndedAfter(2));
  ASSERT_TRUE(fileExists(profileChangeRecordPath()));
  const std::string moved = folder + "-moved";
  ASSERT_EQ(::rename(folder.c_str(), moved.c_str()), 0);
  setProgramFolder(moved);
  profileClearCache();
  EXPECT_TRUE(profileFinishPendingChange());
  EXPECT_EQ(mvtest::slurp(moved + "/Profiles/test.MVL"), "[A]\r\nk=new\r\n");
  EXPECT_EQ(mvtest::slurp(moved + "/Profiles/second.MVL"), "[B]\r\nk=new\r\n");
  EXPECT_EQ(mvtest::slurp(moved + "/System32/MVPSD.SYS"), "whole");
  EXPECT_FALSE(fileExists(moved + "/Profiles/gone.MVL"));
  EXPECT_FALSE(fileExists(folder));
  ASSERT_EQ(::rename(moved.c_str(), folder.c_str()), 0);
  setProgramFolder(folder);
}

TEST_F(ProfileChanges, AChangeThatCouldNotBePutBackIsFinishedBeforeTheNextWriteSoThatTheWriteStands) {
  // The second file cannot be written, nor the first put back: the record
  // stays while the program runs on.
  EXPECT_FALSE(changeEndedAfter(2));
  ASSERT_TRUE(fileExists(profileChangeRecordPath()));
  // A later write of the first file, then the next start.
  ASSERT_TRUE(profileWriteString("A", "later", "1", file()));
  profileClearCache();
  profileFinishPendingChange();
  EXPECT_EQ(text(), "[A]\r\nk=new\r\nlater=1\r\n");
  EXPECT_EQ(readText("Profiles/second.MVL"), "[B]\r\nk=new\r\n");
  EXPECT_FALSE(fileExists(profileChangeRecordPath()));
}

TEST_F(ProfileChanges, AChangeWhoseFileCannotBePutBackIsWrittenToItsEndThenAndThere) {
  // The second file fails once, and so does the first file's put-back.
  int writes = 0;
  setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    ++writes;
    return writes != 3 && writes != 4 && writeNativeFileAtomic(native, bytes);
  });
  {
    ProfileChange c;
    ASSERT_TRUE(profileWriteString("A", "k", "new", file()));
    ASSERT_TRUE(profileWriteString("B", "k", "new", second()));
    EXPECT_TRUE(c.commit());
    EXPECT_FALSE(c.pending());
  }
  EXPECT_EQ(text(), "[A]\r\nk=new\r\n");
  EXPECT_EQ(readText("Profiles/second.MVL"), "[B]\r\nk=new\r\n");
  EXPECT_FALSE(fileExists(profileChangeRecordPath()));
  // Where that fails too, the change is said to be left to complete.
  lay();
  EXPECT_FALSE(changeEndedAfter(2));
  EXPECT_TRUE(changeRecordLeft());
}

TEST_F(ProfileChanges, AChangeToAReadOnlyFileIsRefusedBeforeAnythingIsWritten) {
  ASSERT_TRUE(setReadOnly(second(), true));
  int writes = 0;
  setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    ++writes;
    return writeNativeFileAtomic(native, bytes);
  });
  EXPECT_FALSE(change());
  EXPECT_EQ(writes, 0);
  setReadOnly(second(), false);
  EXPECT_TRUE(before());
}

TEST_F(ProfileChanges, AChangeWhoseWaitForTheLockRanOutWritesNothing) {
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  int writes = 0;
  setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    ++writes;
    return writeNativeFileAtomic(native, bytes);
  });
  {
    ProfileChange change;
    change.writeFile(folder + "\\System32\\MVPSD.SYS", "whole");
    change.writeFile(folder + "\\other.txt", "other");
    EXPECT_FALSE(change.commit());
  }
  EXPECT_TRUE(folderLockRanOut());
  EXPECT_EQ(writes, 0);
  EXPECT_TRUE(before());
  EXPECT_FALSE(fileExists(folder + "\\other.txt"));
  EXPECT_TRUE(holder.release());
}

TEST_F(PrivateProfile, AFileReplacedWholeIsWrittenAlthoughTheCacheHeldItsBytesBeforeAnotherProcessChangedIt) {
  ASSERT_TRUE(profileWriteFile(file(), "[A]\r\nk=mine\r\n"));
  ASSERT_EQ(profileGetString("A", "k", file()).value(), "mine");
  // Another process replaces it behind the cache (same size, new file).
  ASSERT_TRUE(writeNativeFileAtomic(native("Profiles/test.ini"), "[A]\r\nk=othr\r\n"));
  ASSERT_TRUE(profileWriteFile(file(), "[A]\r\nk=mine\r\n"));
  EXPECT_EQ(text(), "[A]\r\nk=mine\r\n");
}
