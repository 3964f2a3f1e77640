// Two processes on one program folder: a change cut short by the real end of
// its process is whole after the next start of either program, a later
// write of another process never lets it undo anything, two writers lose
// nothing of each other's, and a record that is not one of ours is never
// applied.
#include <gtest/gtest.h>

#include <QApplication>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/SettingsKeys.h"
#include "core/frmLogin.h"
#include "alerts/mdlAlertLogSettings.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/ChangeRecord.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Registry.h"
#include "tests/core/ModalDriver.h"
#include "tests/e2e/FrontEndFixture.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/support/PausedWriter.h"
#include "tests/wizard/WizardFixture.h"
#include "zones/mdlMain.h"
#include "zones/mdlSecurityLevel.h"
#include "zones/mdlZoneEntry.h"

namespace fs = std::filesystem;
using namespace mv;
using mvtest::PausedWriter;

namespace {

// Runs `body` in a child process and waits for its end; the child ends with
// _exit, as a killed process does: nothing of it runs on the way out.
int inChild(const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// In a child: its process ends right before write number `last` + 1.
void endAfterWrites(int last) {
  platform::setProfileFileWriter([left = last](const std::string& native, const std::string& bytes) mutable {
    if (left-- == 0) ::_exit(9);
    return platform::writeNativeFileAtomic(native, bytes);
  });
}

// The password as the start of the front end or of the wizard reads it;
// nothing when the start ended instead.
std::optional<std::string> passwordAtStart(bool wizardStarts) {
  if (wizardStarts) return wizard::GetStoredPassword();
  try {
    return getPassword();
  } catch (const mvtest::ProgramEnded&) {
    return std::nullopt;
  }
}

// A record's text: each step is its kind ('W', 'R' or 'M'), its path as the
// record holds it, and its bytes (a write) or new place (a move).
struct Step {
  char kind;
  std::string path, second;
};
std::string recordOf(const std::vector<Step>& steps) {
  std::string text = "MORVANTIS CHANGE 1\n";
  for (const Step& s : steps) {
    text += std::string(1, s.kind) + " " + std::to_string(s.path.size());
    if (s.kind != 'R') text += " " + std::to_string(s.second.size());
    text += "\n" + s.path + (s.kind == 'R' ? "" : s.second) + "\n";
  }
  return text + "END\n";
}

}  // namespace

class FolderWriters : public mvtest::WizardTestOn<mvtest::FrontEndTest> {
 protected:
  std::string master() const { return MasterFile(); }
  std::string record() const { return platform::profileChangeRecordPath(); }
  // The alert log at its default place, holding `lines`, named by the
  // settings; its path.
  std::string layLog(const std::string& lines) {
    const std::string path = AppPath() + "\\Logs\\Alertlog.txt";
    writeText("Logs/Alertlog.txt", lines);
    EXPECT_TRUE(WriteINI("Main", "Path", path, strAlertsSettingFile, true));
    strLogPath = path;
    return path;
  }
  // Moves the log to `to` in a child that ends right after its record.
  int moveEndedAfterItsRecord(const std::string& to) {
    return inChild([&] {
      endAfterWrites(1);
      static_cast<void>(SaveAlertLogSettings({false, "2", to, 0}, strLogPath));
    });
  }
  // T a and T b are 0 in two files; another process changes both to 1 and
  // ends after its record and its first file. True when it did.
  bool changeEndedHalfWay() {
    return WriteINI("T", "a", "0", master(), false) && WriteINI("T", "b", "0", strAlertsSettingFile, false) &&
           inChild([&] {
             endAfterWrites(2);
             static_cast<void>(StoreTogether([&] {
               return WriteINI("T", "a", "1", master(), false) && WriteINI("T", "b", "1", strAlertsSettingFile, false);
             }));
           }) == 9;
  }
  std::string storedPath() {
    platform::profileClearCache();
    return ReadINI("Main", "Path", "", strAlertsSettingFile, true);
  }
  // A folder beside the program folder, outside it.
  std::string elsewhere() const { return folder + "-elsewhere"; }
  // Another name of the program folder, made by `reach`, under which the
  // program then runs.
  std::string reachedAs() const { return elsewhere() + "/program"; }
  void runThrough(const std::string& name) {
    platform::setProgramFolder(name);
    SetPathGlobals();
  }
  // A temporary file that a writer killed a minute ago left beside `file`
  // (a native path); its path.
  static std::string leftByAKilledWriter(const std::string& file) {
    const std::string left = file + ".~1";
    { std::ofstream(left) << "half"; }
    const struct timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, left.c_str(), old, 0), 0);
    return left;
  }
  void TearDown() override {
    platform::setChangeRecordRemover(nullptr);
    platform::setProfileFileWriter(nullptr);
    ::umount2(reachedAs().c_str(), MNT_DETACH);
    runThrough(folder);
    fs::remove_all(elsewhere());
    mvtest::WizardTestOn<mvtest::FrontEndTest>::TearDown();
  }
};

TEST_F(FolderWriters, ALogMoveCutByAPowerLossAfterTheNewCopyKeepsEveryLineAtThePlacePathNames) {
  const std::string lines = "line 1\r\nline 2\r\nline 3\r\n";
  layLog(lines);
  const std::string to = native("Moved.txt");
  // Ended right after the new copy is in place.
  ASSERT_EQ(inChild([&] {
              platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
                const bool ok = platform::writeNativeFileAtomic(native, bytes);
                if (native == to) ::_exit(9);
                return ok;
              });
              static_cast<void>(SaveAlertLogSettings({false, "2", to, 0}, strLogPath));
            }),
            9);
  ASSERT_TRUE(fs::exists(record()));
  ASSERT_EQ(mvtest::slurp(to), lines);
  // The power cut took the old log's last line, appended but not yet on the
  // disk.
  fs::resize_file(native("Logs/Alertlog.txt"), lines.size() - 8);
  FinishPendingChange();
  EXPECT_EQ(storedPath(), to);
  EXPECT_EQ(mvtest::slurp(to), lines);
  EXPECT_FALSE(fs::exists(native("Logs/Alertlog.txt")));
}

TEST_F(FolderWriters, ALogsLinesAreOnTheDiskBeforeTheRecordOfItsMoveIs) {
  layLog("line 1\r\n");
  // Appended as the program appends, without a sync.
  ASSERT_TRUE(platform::appendToFile(strLogPath, "line 2\r\n"));
  std::vector<std::string> done;
  platform::setFileSyncer([&](const std::string& native) {
    done.push_back("sync " + native);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) ::fsync(fd);
    if (fd >= 0) ::close(fd);
  });
  platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    done.push_back("write " + native);
    return platform::writeNativeFileAtomic(native, bytes);
  });
  ASSERT_TRUE(SaveAlertLogSettings({false, "2", native("Moved.txt"), 0}, strLogPath).written);
  platform::setProfileFileWriter(nullptr);
  platform::setFileSyncer(nullptr);
  const auto synced = std::find(done.begin(), done.end(), "sync " + native("Logs/Alertlog.txt"));
  const auto recorded = std::find(done.begin(), done.end(), "write " + record());
  ASSERT_NE(recorded, done.end());
  EXPECT_LT(synced, recorded);
}

TEST_F(FolderWriters, AStartThatCannotWriteTheLogsNewPlaceKeepsTheOldLog) {
  const std::string lines = "line 1\r\nline 2\r\n";
  layLog(lines);
  const std::string to = native("Moved.txt");
  ASSERT_EQ(moveEndedAfterItsRecord(to), 9);
  platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    return native != to && platform::writeNativeFileAtomic(native, bytes);
  });
  writeText("Err.log", "");
  FinishPendingChange();
  platform::setProfileFileWriter(nullptr);
  EXPECT_EQ(readText("Logs/Alertlog.txt"), lines);
  EXPECT_FALSE(fs::exists(to));
  EXPECT_NE(readText("Err.log").find("could not be completed in " + native("Logs/Alertlog.txt")), std::string::npos);
}

TEST_F(FolderWriters, ALogMoveOutOfTheFolderEndedAfterItsRecordIsCompletedAtTheNextStartOfEitherProgram) {
  for (bool wizardStarts : {false, true}) {
    SCOPED_TRACE(wizardStarts ? "the wizard's start" : "the front end's start");
    const std::string lines = "line 1\r\n";
    layLog(lines);
    fs::create_directories(elsewhere());
    const std::string to = elsewhere() + "/Alertlog.txt";
    fs::remove(to);
    ASSERT_EQ(moveEndedAfterItsRecord(to), 9);
    ASSERT_TRUE(fs::exists(record()));
    // Each program is a process of its own: nothing has told it yet where
    // the log may be moved nor how to report a finished change.
    platform::setChangeLogPlaces(nullptr);
    platform::setChangeFinishReporter(nullptr);
    writeText("Err.log", "");
    if (wizardStarts)
      ASSERT_NE(start(), nullptr);
    else
      FinishPendingChange();
    EXPECT_EQ(storedPath(), to);
    EXPECT_EQ(mvtest::slurp(to), lines);
    EXPECT_FALSE(fs::exists(native("Logs/Alertlog.txt")));
    EXPECT_FALSE(fs::exists(record()));
    EXPECT_NE(readText("Err.log").find("was completed"), std::string::npos);
  }
}

TEST_F(FolderWriters, ARecordWritesAndRemovesNothingOutsideTheFolderThroughALinkedFolder) {
  fs::create_directories(elsewhere());
  { std::ofstream(elsewhere() + "/gone.txt") << "theirs"; }
  fs::create_directory_symlink(elsewhere(), native("Logs2"));
  writeText("Profiles/keep.MVL", "kept");
  writeText("Morvantis.change",
            recordOf({{'W', "Logs2/evil.txt", "x"}, {'R', "Logs2/gone.txt", ""}, {'W', "Profiles/keep.MVL", "changed"}}));
  writeText("Err.log", "");
  FinishPendingChange();
  EXPECT_FALSE(fs::exists(elsewhere() + "/evil.txt"));
  EXPECT_EQ(mvtest::slurp(elsewhere() + "/gone.txt"), "theirs");
  // The steps inside the folder are done; the others refused and told.
  EXPECT_EQ(readText("Profiles/keep.MVL"), "changed");
  for (const char* name : {"Logs2/evil.txt", "Logs2/gone.txt"})
    EXPECT_NE(readText("Err.log").find("could not be completed in " + native(name)), std::string::npos) << name;
  EXPECT_FALSE(fs::exists(record()));
}

TEST_F(FolderWriters, ARecordNamingItsOwnLogPlaceOutsideTheFolderOnlyCreatesALogThere) {
  fs::create_directories(elsewhere());
  const std::string theirs = elsewhere() + "/theirs.txt", created = elsewhere() + "/created.txt";
  { std::ofstream(theirs) << "mine"; }
  const std::string main = readText("Profiles/ProgramMain.MVL");
  layLog("line 1\r\n");
  const std::string settings = readText("Profiles/AlertsAndLogSetting.MVL");
  const std::string header = "Log File\r\n";
  // The settings as a record writes them, Path naming `place`, and a step of
  // its own there.
  auto finish = [&](const std::string& place, const Step& step) {
    ASSERT_TRUE(WriteINI("Main", "Path", place, strAlertsSettingFile, true));
    const std::string named = readText("Profiles/AlertsAndLogSetting.MVL");
    writeText("Profiles/AlertsAndLogSetting.MVL", settings);
    writeText("Morvantis.change", recordOf({step, {'W', "Profiles/AlertsAndLogSetting.MVL", named}}));
    FinishPendingChange();
    EXPECT_EQ(storedPath(), place);
    EXPECT_FALSE(fs::exists(record()));
    writeText("Profiles/AlertsAndLogSetting.MVL", settings);
  };
  finish(theirs, {'W', theirs, header});
  finish(created, {'W', created, header});
  // Nor is the log moved from there: the log is where the settings on disk
  // name it.
  finish(theirs, {'M', theirs, "Profiles/taken.txt"});
  // Nor is a file of the program moved there: only the log is, and only
  // onto the place the record names.
  finish(theirs, {'M', "Profiles/ProgramMain.MVL", theirs});
  finish(created, {'M', "Logs/Alertlog.txt", theirs});
  // A file that holds something is not written over nor taken; a missing one
  // is made.
  EXPECT_EQ(mvtest::slurp(theirs), "mine");
  EXPECT_FALSE(fs::exists(native("Profiles/taken.txt")));
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), main);
  EXPECT_EQ(readText("Logs/Alertlog.txt"), "line 1\r\n");
  EXPECT_EQ(mvtest::slurp(created), header);
  // A log begun after what the chosen file holds, as the user's own move of
  // the log begins it, is completed.
  finish(theirs, {'W', theirs, "mine" + header});
  EXPECT_EQ(mvtest::slurp(theirs), "mine" + header);
}

TEST_F(FolderWriters, ALogBegunAfterWhatTheChosenFileHoldsIsCompletedAtTheNextStart) {
  fs::create_directories(elsewhere());
  const std::string chosen = elsewhere() + "/mine.txt";
  { std::ofstream(chosen) << "mine\r\n"; }
  // The log is gone: its move begins a new one at the chosen file.
  layLog("");
  fs::remove(native("Logs/Alertlog.txt"));
  ASSERT_EQ(moveEndedAfterItsRecord(chosen), 9);
  ASSERT_TRUE(fs::exists(record()));
  writeText("Err.log", "");
  FinishPendingChange();
  EXPECT_EQ(storedPath(), chosen);
  EXPECT_EQ(mvtest::slurp(chosen), "mine\r\n" + NewPlainLogHeader());
  EXPECT_FALSE(fs::exists(record()));
  EXPECT_NE(readText("Err.log").find("was completed"), std::string::npos);
}

TEST_F(FolderWriters, AChangeEndedPartWayInAFolderReachedThroughALinkOrABindMountIsWholeAfterTheNextStart) {
  bool mounted = true;
  for (const std::string way : {"linked settings folder", "linked system directory", "linked program folder",
                                "bind-mounted program folder"}) {
    SCOPED_TRACE(way);
    fs::create_directories(elsewhere());
    if (way == "linked settings folder" || way == "linked system directory") {
      const std::string name = way == "linked settings folder" ? "Profiles" : "System32";
      fs::rename(native(name), elsewhere() + "/" + name);
      fs::create_directory_symlink(elsewhere() + "/" + name, native(name));
    } else if (way == "linked program folder") {
      fs::create_directory_symlink(folder, reachedAs());
      runThrough(reachedAs());
    } else {
      fs::create_directories(reachedAs());
      mounted = ::mount(folder.c_str(), reachedAs().c_str(), nullptr, MS_BIND, nullptr) == 0;
      if (!mounted) continue;
      runThrough(reachedAs());
    }
    writeText("Err.log", "");
    // A password change ended after the password file, completed by the
    // next write; a change of two settings files ended after the first.
    ASSERT_EQ(inChild([&] {
                endAfterWrites(2);
                setPassword("other");
              }),
              9);
    ASSERT_TRUE(changeEndedHalfWay());
    ASSERT_TRUE(fs::exists(record()));
    const std::vector<std::string> left = {leftByAKilledWriter(platform::resolvePath(master())),
                                           leftByAKilledWriter(platform::registryFile())};
    FinishPendingChange();
    RemoveStaleTemporaryFiles();
    platform::profileClearCache();
    EXPECT_EQ(ReadINI("T", "a", "", master(), false), "1");
    EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "1");
    EXPECT_EQ(passwordAtStart(false), "other");
    EXPECT_FALSE(fs::exists(record()));
    EXPECT_EQ(readText("Err.log").find("could not be completed"), std::string::npos) << readText("Err.log");
    for (const std::string& file : left) EXPECT_FALSE(fs::exists(file)) << file;
    runThrough(folder);
    ::umount2(reachedAs().c_str(), MNT_DETACH);
    for (const std::string name : {"Profiles", "System32"}) {
      if (!fs::is_symlink(native(name))) continue;
      fs::remove(native(name));
      fs::rename(elsewhere() + "/" + name, native(name));
    }
    fs::remove_all(elsewhere());
  }
  if (!mounted) GTEST_SKIP() << "a bind mount needs the right to mount: the bind-mounted folder was not tried";
}

TEST_F(FolderWriters, ALogMoveEndedPartWayIsCompletedByAStartThroughAnotherNameOfTheFolder) {
  const std::string lines = "line 1\r\n";
  // The settings name the log, and the record its move, under the folder's
  // own name; the next start reaches the folder through a link.
  layLog(lines);
  ASSERT_EQ(moveEndedAfterItsRecord(native("Moved.txt")), 9);
  fs::create_directories(elsewhere());
  fs::create_directory_symlink(folder, reachedAs());
  runThrough(reachedAs());
  writeText("Err.log", "");
  FinishPendingChange();
  EXPECT_EQ(readText("Moved.txt"), lines);
  EXPECT_FALSE(fs::exists(native("Logs/Alertlog.txt")));
  EXPECT_FALSE(fs::exists(record()));
  EXPECT_EQ(readText("Err.log").find("could not be completed"), std::string::npos) << readText("Err.log");
}

TEST_F(FolderWriters, ARecordLeftUnreadByAPassingOpenErrorStaysForTheNextStart) {
  ASSERT_TRUE(changeEndedHalfWay());
  ASSERT_TRUE(fs::exists(record()));
  // A start with no file descriptor left.
  EXPECT_EQ(inChild([&] {
              const struct rlimit few = {64, 64};
              if (::setrlimit(RLIMIT_NOFILE, &few) != 0) ::_exit(2);
              while (::open("/dev/null", O_RDONLY) >= 0) {
              }
              if (errno != EMFILE) ::_exit(3);
              const platform::ChangeFinish finish = platform::finishChangeRecord();
              ::_exit(finish.unread && !finish.damaged ? 0 : 4);
            }),
            0);
  EXPECT_TRUE(fs::exists(record()));
  EXPECT_FALSE(fs::exists(fs::symlink_status(native("Morvantis.change.damaged"))));
  // The next start finishes it.
  FinishPendingChange();
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "1");
  EXPECT_FALSE(fs::exists(record()));
}

TEST_F(FolderWriters, EveryDamagedRecordIsKeptUnderANameOfItsOwn) {
  writeText("Morvantis.change", "first damage");
  FinishPendingChange();
  writeText("Morvantis.change", "second damage");
  FinishPendingChange();
  EXPECT_EQ(readText("Morvantis.change.damaged"), "first damage");
  EXPECT_EQ(readText("Morvantis.change.damaged.2"), "second damage");
  EXPECT_FALSE(fs::exists(record()));
}

TEST_F(FolderWriters, ARecordThatCanBeNeitherRemovedNorEmptiedIsAppliedOnce) {
  // The program folder takes the mark that the record is finished, or (as
  // one that cannot be written) does not, where the settings' own folder
  // does.
  for (const bool markBeside : {true, false}) {
    SCOPED_TRACE(markBeside ? "marked beside the record" : "marked in the settings folder");
    ASSERT_TRUE(changeEndedHalfWay());
    // From here on the record cannot go.
    platform::setChangeRecordRemover([](const std::string&) { return false; });
    if (!markBeside) fs::create_directory(native("Morvantis.change.done"));
    // Each start is a process of its own, as is each program that writes; this
    // one finishes nothing itself until the end.
    auto start = [&] { return inChild([] { FinishPendingChange(); }); };
    ASSERT_EQ(start(), 0);
    platform::profileClearCache();
    EXPECT_EQ(ReadINI("T", "a", "", master(), false), "1");
    EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "1");
    ASSERT_TRUE(fs::exists(record()));
    // The user's later value, written by another process, stands through the
    // next starts.
    ASSERT_EQ(inChild([&] { ::_exit(WriteINI("T", "b", "user", strAlertsSettingFile, false) ? 0 : 5); }), 0);
    for (int i = 2; i <= 3; ++i) {
      ASSERT_EQ(start(), 0);
      platform::profileClearCache();
      EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "user") << "start " << i;
    }
    // Once the folder lets it, the record goes.
    platform::setChangeRecordRemover(nullptr);
    FinishPendingChange();
    EXPECT_FALSE(fs::exists(record()));
    platform::profileClearCache();
    EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "user");
    fs::remove(native("Morvantis.change.done"));
  }
}

TEST_F(FolderWriters, AFinishedRecordThatStaysIsMarkedNeverThroughALinkAndNotAppliedAgainByTheSameProcess) {
  // The settings folder is a link; the program folder takes no mark.
  fs::create_directories(elsewhere());
  fs::rename(native("Profiles"), elsewhere() + "/Profiles");
  fs::create_directory_symlink(elsewhere() + "/Profiles", native("Profiles"));
  ASSERT_TRUE(changeEndedHalfWay());
  // The record, once finished, cannot go, and no mark is written beside it.
  platform::setChangeRecordRemover([](const std::string&) { return false; });
  fs::create_directory(native("Morvantis.change.done"));
  FinishPendingChange();
  ASSERT_TRUE(fs::exists(record()));
  EXPECT_FALSE(fs::exists(fs::symlink_status(elsewhere() + "/Profiles/Morvantis.change.done")));
  // The user's later value stands through this process's next takings of
  // the lock.
  ASSERT_TRUE(WriteINI("T", "b", "user", strAlertsSettingFile, false));
  ASSERT_TRUE(WriteINI("T", "c", "later", master(), false));
  FinishPendingChange();
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "user");
}

TEST_F(FolderWriters, AChangeWhoseCompletionFailsAgainKeepsItsRecordAndIsTold) {
  ASSERT_TRUE(changeEndedHalfWay());
  // The change's first file cannot be written now, as on a full disk.
  const std::string unwritable = platform::resolvePath(master());
  platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    return native != unwritable && platform::writeNativeFileAtomic(native, bytes);
  });
  FinishPendingChange();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("could not be completed in:\r\n" + unwritable), std::string::npos)
      << messages[0].prompt;
  ASSERT_TRUE(fs::exists(record()));
  // Nor are its later steps done before that one.
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "0");
  // Nothing is written beside it, so that its completion undoes nothing.
  EXPECT_FALSE(WriteINI("T", "a", "2", master(), false));
  EXPECT_EQ(NotSavedText("The setting", master()),
            "The setting could not be saved: an earlier change, recorded to be completed, still could not be "
            "completed in " + unwritable + ", " + platform::resolvePath(strAlertsSettingFile) + ".");
  // Once the file can be written, the next start completes it.
  platform::setProfileFileWriter(nullptr);
  FinishPendingChange();
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "a", "", master(), false), "1");
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "1");
  EXPECT_FALSE(fs::exists(record()));
}

TEST_F(FolderWriters, AChangeLeftOnDiskIsCompletedWhereItsSettingsFolderWasRemoved) {
  ASSERT_TRUE(changeEndedHalfWay());
  fs::remove_all(native("Profiles"));
  FinishPendingChange();
  EXPECT_TRUE(messages.empty()) << messages[0].prompt;
  EXPECT_FALSE(fs::exists(record()));
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "a", "", master(), false), "1");
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "1");
}

TEST_F(FolderWriters, APasswordChangeEndedByItsProcessEndIsWholeAtTheNextStartOfEitherProgram) {
  // Ended after the record, and after the record and the password file. The
  // password is taken away, so the wizard asks for none once it has read it.
  for (int done : {1, 2}) {
    SCOPED_TRACE("ended after " + std::to_string(done) + " writes");
    ASSERT_TRUE(setPassword("s3cret"));
    platform::profileClearCache();
    ASSERT_EQ(inChild([&] {
                endAfterWrites(done);
                setPassword("");
              }),
              9);
    ASSERT_TRUE(fs::exists(record()));
    // Nothing of the child's run is in this process: the start finds the
    // record on disk. The wizard reads the password before anything else.
    messages.clear();
    wizard::strPassword = "?";
    // A login asked for would mean the old password was read.
    mvtest::ModalDriver login([] { return QApplication::activeModalWidget(); }, [] {});
    ASSERT_NE(start(), nullptr) << (messages.empty() ? "" : messages[0].prompt);
    EXPECT_EQ(login.opened, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(wizard::strPassword, "");
    EXPECT_FALSE(fs::exists(record()));
    delete form();
    wizard::ResetWizardGlobals();
  }
  // The front end's start finishes it too, before it reads the password.
  ASSERT_EQ(inChild([&] {
              endAfterWrites(2);
              setPassword("other");
            }),
            9);
  strPassword.clear();
  // A process of its own has told nothing how to report a finished change.
  platform::setChangeFinishReporter(nullptr);
  writeText("Err.log", "");
  Main();
  ASSERT_TRUE(blnStarted);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(strPassword, "other");
  EXPECT_FALSE(fs::exists(record()));
  EXPECT_NE(readText("Err.log").find("was completed"), std::string::npos);
}

TEST_F(FolderWriters, AChangeOfAnotherProcessLeftOnDiskIsFinishedBeforeThisOnesWriteSoNeitherUndoesTheOther) {
  // The other process ends after its record and its first file.
  ASSERT_TRUE(changeEndedHalfWay());
  ASSERT_TRUE(fs::exists(record()));
  // This process, running all along, writes one of the same files.
  ASSERT_TRUE(WriteINI("T", "b", "2", strAlertsSettingFile, false));
  EXPECT_EQ(ReadINI("T", "a", "", master(), false), "1");
  EXPECT_FALSE(fs::exists(record()));
  // The next start has nothing to undo it with.
  FinishPendingChange();
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "2");
}

TEST_F(FolderWriters, TwoProcessesAddingZoneEntriesAtOnceLoseNoneOfThem) {
  constexpr int kEach = 40;
  auto addEntries = [&](int first) {
    for (int i = first; i < first + kEach; ++i) {
      std::string id;
      const std::string address = "10.9." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1);
      if (StoreZoneEntry(Database_IPSetting, ipAddress,
                         {{"IP", address}, {"Name", "entry " + std::to_string(i)}, {"Description", address}, {"Zone", "2"}},
                         true, "", {}, id) != EntrySaved::Saved)
        ::_exit(3);
    }
  };
  const pid_t other = ::fork();
  if (other == 0) {
    addEntries(0);
    ::_exit(0);
  }
  const int here = inChild([&] { addEntries(kEach); });
  int status = 0;
  ::waitpid(other, &status, 0);
  ASSERT_EQ(here, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  platform::profileClearCache();
  Read_TableData(Database_IPSetting, "ID,Name", "");
  std::set<std::string> ids, descriptions;
  for (long i = 0; i < arrQueryResult[0].Count; ++i) {
    ids.insert(arrQueryResult[static_cast<size_t>(i)].Values.at(0));
    descriptions.insert(arrQueryResult[static_cast<size_t>(i)].Values.at(1));
  }
  for (int i = 0; i < 2 * kEach; ++i) EXPECT_TRUE(descriptions.count("entry " + std::to_string(i))) << i;
  EXPECT_EQ(ids.size(), descriptions.size());
  // Every entry has its address row.
  for (const std::string& id : ids) EXPECT_EQ(StoredAddresses(id).size(), 1u) << id;
}

TEST_F(FolderWriters, AStartBesideAWriterPausedHoldingTheLockWaitsAndReadsItsWholeChange) {
  ASSERT_TRUE(WriteINI("T", "a", "0", master(), false));
  ASSERT_TRUE(WriteINI(keys::Main, keys::LogSeparation, "1", strAlertsSettingFile, true));
  // Stops after its record for longer than a write waits for the lock.
  PausedWriter writer(1, [&] {
    return StoreTogether([&] {
      return WriteINI("T", "a", "1", master(), false) &&
             WriteINI(keys::Main, keys::LogSeparation, "3", strAlertsSettingFile, true);
    });
  });
  ASSERT_TRUE(writer.paused());
  ASSERT_TRUE(fs::exists(record()));
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    writer.goOn();
  });
  std::vector<std::string> notices;
  platform::setNoticeHandler([&](const std::string& text, const std::string&) { notices.push_back(text); });
  writeText("Err.log", "");
  Main();
  later.join();
  ASSERT_TRUE(blnStarted);
  // The other program's change ended before the settings were read, and
  // nothing was told as unwritable.
  EXPECT_TRUE(messages.empty()) << messages[0].prompt;
  EXPECT_EQ(strLogSeparator, LogSeparatorOf(3));
  EXPECT_EQ(ReadINI("T", "a", "", master(), false), "1");
  EXPECT_FALSE(fs::exists(record()));
  // The wait was said on screen, and taken down.
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_NE(notices[0].find("another Morvantis program"), std::string::npos);
  EXPECT_EQ(notices[1], "");
  EXPECT_TRUE(writer.stored());
}

TEST_F(FolderWriters, AFailedWriteBesideARecordThatIsNotItsOwnIsToldOnlyAsNotSaved) {
  // Another program's record, finished here but left on disk, as in a
  // program folder that does not let it go.
  ASSERT_TRUE(changeEndedHalfWay());
  platform::setChangeRecordRemover([](const std::string&) { return false; });
  FinishPendingChange();
  ASSERT_TRUE(fs::exists(record()));
  ASSERT_TRUE(platform::setReadOnly(master(), true));
  EXPECT_FALSE(WriteINI("T", "a", "2", master(), false));
  EXPECT_EQ(NotSavedText("The setting", master()),
            "The setting could not be saved in " + platform::resolvePath(master()) + ".");
  ASSERT_TRUE(platform::setReadOnly(master(), false));
}

TEST_F(FolderWriters, AWizardsFinishThatFailsBesideARecordThatIsNotItsOwnSaysNothingWasChanged) {
  // Another program's record, finished here but left on disk.
  ASSERT_TRUE(changeEndedHalfWay());
  platform::setChangeRecordRemover([](const std::string&) { return false; });
  FinishPendingChange();
  ASSERT_TRUE(fs::exists(record()));
  ASSERT_NE(start(), nullptr);
  toProgramsPage();
  click("cmdNext");
  ASSERT_TRUE(platform::setReadOnly(strProfilePath + "MVDB.MVL", true));
  click("cmdNext");
  ASSERT_TRUE(platform::setReadOnly(strProfilePath + "MVDB.MVL", false));
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(shownPage(), 9);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt.find("will be completed"), std::string::npos) << messages[0].prompt;
  EXPECT_NE(messages[0].prompt.find("Nothing was changed"), std::string::npos) << messages[0].prompt;
}

TEST_F(FolderWriters, AWizardsFinishRefusedForTheLockSaysAnotherProgramIsSavingAndLogsTheLock) {
  ASSERT_NE(start(), nullptr);
  toProgramsPage("s3cret");
  click("cmdNext");
  const std::string password = readText("System32/MVPSD.SYS"), programs = readText("Profiles/ProgramControl.MVL");
  writeText("Err.log", "");
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  click("cmdNext");
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(shownPage(), 9);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt,
            "The setup is not complete.\r\nThe settings could not be saved: another Morvantis program is saving the "
            "settings.\r\nNothing was changed: the previous settings and password are still in force.\r\nThe reason "
            "is written to Err.log in the program folder.");
  // The log names the lock, and no file that has nothing wrong.
  const std::string log = readText("Err.log");
  EXPECT_NE(log.find("saveStartupWizardSettings of frmStartupMain:---->70,Another Morvantis program held the lock of "
                     "the program folder"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Path/File access error"), std::string::npos) << log;
  EXPECT_EQ(readText("System32/MVPSD.SYS"), password);
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), programs);
  // Once the other program let go, Finish stores.
  EXPECT_TRUE(holder.release());
  QCoreApplication::processEvents();
  click("cmdNext");
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(wizard::GetStoredPassword(), std::optional<std::string>("s3cret"));
}

TEST_F(FolderWriters, AFinishWaitingForAnotherWriteLooksAtTheFrontEndOnlyOnceItHoldsTheFolder) {
  wizard::SetPaths();
  const std::string settings = readText("Profiles/AlertsAndLogSetting.MVL");
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  // The wizard's Finish, in a process of its own, waits for the folder.
  const pid_t finish = ::fork();
  if (finish == 0) {
    wizard::WizardChoices choices;
    choices.AlertChoice = 0;
    choices.ProgramChoice = 2;
    const wizard::FinishOutcome outcome = wizard::saveStartupWizardSettings(choices);
    ::_exit(outcome.frontEndRunning ? 0 : outcome.stored ? 5 : 6);
  }
  ASSERT_TRUE(mvtest::untilItWaitsForTheLockOn(finish, platform::programFolder()));
  // Meanwhile the front end starts: it holds its one-instance lock (as its
  // start takes it) and then waits for the folder too.
  ASSERT_TRUE(platform::acquireSingleInstance(AppEXEName));
  EXPECT_TRUE(holder.release());
  int status = 0;
  ::waitpid(finish, &status, 0);
  platform::releaseSingleInstance();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readText("Profiles/AlertsAndLogSetting.MVL"), settings);
}

TEST_F(FolderWriters, AWriteRefusedForTheLockSaysAnotherProgramIsSavingAndTheActionWaitsOnce) {
  // Holds the folder, as a program that hung in its write does.
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  const std::string password = readText("System32/MVPSD.SYS");
  EXPECT_FALSE(setPassword("s3cret"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt,
            "The password could not be saved: another Morvantis program is saving the settings.\r\n"
            "The previous password is still in force.");
  EXPECT_EQ(readText("System32/MVPSD.SYS"), password);
  // The rest of the action does not wait again.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(WriteINI("T", "a", "1", master(), false));
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_EQ(NotSavedText("The setting", master()),
            "The setting could not be saved: another Morvantis program is saving the settings.");
  EXPECT_TRUE(holder.release());
  // Once the window's events ran, the next action waits and writes.
  QCoreApplication::processEvents();
  EXPECT_TRUE(WriteINI("T", "a", "2", master(), false));
}

TEST_F(FolderWriters, ARecordThatIsNotOneOfOursIsSetAsideAndNeverApplied) {
  const std::string outside = fs::path(folder).parent_path() / ("outside-" + fs::path(folder).filename().string());
  writeText("Profiles/keep.MVL", "kept");
  auto write = [](const std::string& path, const std::string& bytes) { return recordOf({{'W', path, bytes}}); };
  const std::string genuine = write("Profiles/keep.MVL", "changed");
  // Names that step out of the folder, a damaged text, and files that are
  // not regular ones (a FIFO would block a plain open; a link to an endless
  // device would never end a read; a link to a sound record is still a
  // link).
  const std::vector<std::function<void()>> records = {
      [&] { writeText("Morvantis.change", write("../" + fs::path(outside).filename().string(), "x")); },
      [&] { writeText("Morvantis.change", write(outside, "x")); },
      [&] { writeText("Morvantis.change", genuine.substr(0, 40)); },
      [&] { ASSERT_EQ(::mkfifo(record().c_str(), 0644), 0); },
      [&] { ASSERT_EQ(::symlink("/dev/zero", record().c_str()), 0); },
      [&] {
        writeText("genuine.txt", genuine);
        ASSERT_EQ(::symlink(native("genuine.txt").c_str(), record().c_str()), 0);
      },
      [&] {
        writeText("Morvantis.change",
                  recordOf({{'M', "Profiles/keep.MVL", "Profiles/../../" + fs::path(outside).filename().string()}}));
      },
  };
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    fs::remove(native("Morvantis.change.damaged"));
    writeText("Err.log", "");
    records[i]();
    FinishPendingChange();
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_EQ(readText("Profiles/keep.MVL"), "kept");
    EXPECT_FALSE(fs::exists(fs::symlink_status(record())));
    // A full path is a log's place, never any other file's: that step alone
    // is refused and told; anything else is no record of ours.
    const bool damaged = i != 1;
    EXPECT_EQ(fs::exists(fs::symlink_status(native("Morvantis.change.damaged"))), damaged);
    EXPECT_NE(readText("Err.log").find(damaged ? "set aside" : "could not be completed in " + outside), std::string::npos);
    // It does not stop the next write.
    EXPECT_TRUE(WriteINI("T", "after", std::to_string(i), master(), false));
  }
  fs::remove(outside);
}

namespace {
// Another process that changes the password `times` times, between two
// passwords, and ends.
pid_t changePasswordElsewhere(int times) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (int i = 0; i < times; ++i)
      if (!setPassword(i % 2 ? "second" : "first")) ::_exit(3);
    ::_exit(0);
  }
  return pid;
}
}  // namespace

TEST_F(FolderWriters, StartsBesideAnotherProcessChangingThePasswordReadBothCopiesOfOneChange) {
  ASSERT_TRUE(setPassword("first"));
  const pid_t other = changePasswordElsewhere(150);
  int starts = 0, status = 0;
  while (::waitpid(other, &status, WNOHANG) == 0) {
    // The front end's and the wizard's starts in turn.
    const std::optional<std::string> password = passwordAtStart(starts++ % 2 == 1);
    ASSERT_TRUE(password == "first" || password == "second")
        << (messages.empty() ? "no password" : messages[0].prompt);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(starts, 10);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ended, 0);
}

TEST_F(FolderWriters, StartsBesideAWriterPausedBetweenTheTwoPasswordFilesReadItsWholeChange) {
  for (const bool wizardStarts : {false, true}) {
    SCOPED_TRACE(wizardStarts ? "the wizard" : "the front end");
    ASSERT_TRUE(setPassword("old"));
    // Its record, then the password file; there it stops until told to go on
    // with the registry's copy.
    PausedWriter writer(2, [] { return setPassword("new"); });
    ASSERT_TRUE(writer.paused());
    // The writer goes on a moment after the start began to read.
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      writer.goOn();
    });
    const std::optional<std::string> password = passwordAtStart(wizardStarts);
    release.join();
    EXPECT_TRUE(writer.stored());
    EXPECT_EQ(password, "new");
    EXPECT_TRUE(messages.empty()) << messages[0].prompt;
    EXPECT_EQ(ended, 0);
    messages.clear();
  }
}

TEST_F(FolderWriters, TheLoginChecksThePasswordAnotherProcessSetMeanwhile) {
  ASSERT_TRUE(setPassword("old"));
  strPassword = getPassword();
  blnLoggedIn = true;
  const pid_t other = changePasswordElsewhere(1);
  int status = 0;
  ::waitpid(other, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The login made with the old password no longer opens the settings: the
  // new password is asked for.
  int asked = 0;
  mvtest::ModalDriver login([] { return static_cast<QWidget*>(LoginFormIfLoaded()); }, [&] {
    ++asked;
    frmLogin* f = LoginFormIfLoaded();
    f->findChild<QLineEdit*>("txtPassword")->setText("first");
    f->findChild<QPushButton*>("cmdOk")->click();
  });
  EXPECT_TRUE(CheckLogin());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(strPassword, "first");
  EXPECT_TRUE(messages.empty());
}

TEST_F(FolderWriters, AStartBesideAWriterPausedBetweenTheLevelsAndTheCustomSettingsReadsItsWholeChange) {
  // The switched-on rows of every custom list.
  auto switchedOn = [] {
    int on = 0;
    for (const auto* list : {&arrTrustedMediumSettings, &arrTrustedHighSettings, &arrInternetMediumSettings,
                             &arrInternetHighSettings})
      for (const PortSettingRec& row : *list) on += row.Enabled;
    return on;
  };
  ReadZoneSettings();
  const int before = switchedOn();
  Read_TableData(Database_PortSetting, "Enabled", "");
  ASSERT_GT(arrQueryResult[0].Count, 0);
  const std::string section = arrQueryResult[0].RowSection;
  const bool wasOn = arrQueryResult[0].Values.at(0) == "1";
  // Its record, then the levels; there it stops until told to go on with
  // the custom settings.
  PausedWriter writer(2, [&] {
    return StoreTogether([&] {
      return StoreZoneLevels(1, 1) && WriteColumnValue(Database_PortSetting, section, "Enabled", wasOn ? "0" : "1");
    });
  });
  ASSERT_TRUE(writer.paused());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    writer.goOn();
  });
  ReadZoneSettings();
  release.join();
  EXPECT_TRUE(writer.stored());
  EXPECT_EQ(intInternetZoneLevel, 1);
  EXPECT_EQ(intTrustedZoneLevel, 1);
  EXPECT_EQ(switchedOn(), before + (wasOn ? -1 : 1));
}
