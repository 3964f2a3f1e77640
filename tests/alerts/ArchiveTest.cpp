// Archiving the plain alert log at start-up and on the timer, and the
// clean-up of the engine's daily logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "tests/alerts/AlertsFixture.h"

namespace mvtest {
namespace {

namespace fs = std::filesystem;

const std::string kLog = "first alert\r\nsecond alert\r\n";

class Archive : public AlertsTest {
 protected:
  void SetUp() override {
    AlertsTest::SetUp();
    writeText("logs/Alertlog.txt", kLog);
  }
  void lastArchivedOn(const std::string& date) {
    mv::LastArchiveDate = date;
    store("LastArchiveDate", date);
  }
  bool exists(const std::string& relative) const { return fs::exists(native(relative)); }
};

TEST_F(Archive, StartupArchivesAfterMoreThanTheIntervalAndMovesTheDate) {
  lastArchivedOn("07-03-2024");  // 8 days before 15 March
  ASSERT_FALSE(exists("Backup"));

  mv::ArchiveLogAtStartup();

  EXPECT_EQ(readText("Backup/15-03-2024.txt"), kLog);
  EXPECT_TRUE(exists("logs/Alertlog.txt"));
  EXPECT_EQ(readText("logs/Alertlog.txt"), "");
  EXPECT_EQ(mv::LastArchiveDate, "15-03-2024");
  EXPECT_EQ(stored("LastArchiveDate"), "15-03-2024");
  EXPECT_EQ(stored("LastArchiveFile"), mv::AppPath() + "\\Backup\\15-03-2024.txt");
}

TEST_F(Archive, StartupDoesNothingWithinTheIntervalOrWhenArchivingIsOff) {
  lastArchivedOn("08-03-2024");  // exactly 7 days
  mv::ArchiveLogAtStartup();
  EXPECT_FALSE(exists("Backup"));
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_EQ(stored("LastArchiveDate"), "08-03-2024");

  lastArchivedOn("01-01-2024");
  mv::AlertDay = 0;
  mv::ArchiveLogAtStartup();
  EXPECT_FALSE(exists("Backup"));
  EXPECT_EQ(stored("LastArchiveDate"), "01-01-2024");
}

TEST_F(Archive, DatesAreReadDayFirstWhateverTheLocale) {
  setToday(2024, 12, 5);
  lastArchivedOn("03-12-2024");  // 3 December: two days ago, not 12 March
  mv::ArchiveLogAtStartup();
  EXPECT_FALSE(exists("Backup"));
  EXPECT_EQ(mv::LastArchiveDate, "03-12-2024");
}

TEST_F(Archive, FailedCopyLeavesTheDateAndTheLog) {
  lastArchivedOn("01-03-2024");
  ASSERT_TRUE(fs::remove(native("logs/Alertlog.txt")));
  mv::ArchiveLogAtStartup();
  EXPECT_EQ(mv::LastArchiveDate, "01-03-2024");
  EXPECT_EQ(stored("LastArchiveDate"), "01-03-2024");
  EXPECT_EQ(stored("LastArchiveFile"), "");
  EXPECT_EQ(mv::DoArchiveLogFile(), "");
}

TEST_F(Archive, NoArchiveIsMadeWhoseDateCannotBeStored) {
  lastArchivedOn("01-03-2024");
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strAlertsSettingFile, true));
  mv::ArchiveLogAtStartup();
  // Made now, the next start of the day would make it again over this one.
  EXPECT_FALSE(exists("Backup/15-03-2024.txt"));
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_EQ(stored("LastArchiveDate"), "01-03-2024");
}

TEST_F(Archive, ArchiveOfTheSameDayIsReplaced) {
  writeText("Backup/15-03-2024.txt", "older archive");
  EXPECT_EQ(mv::DoArchiveLogFile(), mv::AppPath() + "\\Backup\\15-03-2024.txt");
  EXPECT_EQ(readText("Backup/15-03-2024.txt"), kLog);
}

TEST_F(Archive, EmptyOrUnreadableDateBecomesTodayWithoutArchiving) {
  lastArchivedOn("");
  mv::ArchiveLogAtStartup();
  EXPECT_EQ(stored("LastArchiveDate"), "15-03-2024");
  EXPECT_FALSE(exists("Backup"));

  lastArchivedOn("2024/01/01");
  mv::ArchiveLogAtStartup();
  EXPECT_EQ(mv::LastArchiveDate, "15-03-2024");
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
}

// ---------------------------------------------------------------------------
// The archive of the read timer.

TEST_F(Archive, TimerArchivesIntoTheArchiveFolderAsStartUpDoes) {
  lastArchivedOn("01-03-2024");
  EXPECT_FALSE(mv::SetArchiveDateWhenMissing());
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(readText("Backup/15-03-2024.txt"), kLog);
  EXPECT_EQ(readText("logs/Alertlog.txt"), "");
  EXPECT_FALSE(exists("logs/15032024.txt"));
  EXPECT_EQ(mv::LastArchiveDate, "15-03-2024");
  EXPECT_EQ(stored("LastArchiveDate"), "15-03-2024");
  EXPECT_EQ(stored("LastArchiveFile"), mv::AppPath() + "\\Backup\\15-03-2024.txt");

  // Archived today: the next ticks do nothing.
  writeText("logs/Alertlog.txt", "new alert\r\n");
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(readText("logs/Alertlog.txt"), "new alert\r\n");
  EXPECT_EQ(readText("Backup/15-03-2024.txt"), kLog);
}

TEST_F(Archive, AnArchiveThatCannotBeMadeIsNotTriedAgainAtEveryTick) {
  lastArchivedOn("01-03-2024");
  writeText("Backup", "a file where the archive folder should be");
  mv::ArchiveLogWhenDue();
  const std::string logged = readText("Err.log");
  EXPECT_NE(logged.find("DoArchiveLogFile of Module mdlAlertsAndLogs"), std::string::npos);
  EXPECT_EQ(stored("LastArchiveDate"), "01-03-2024");  // the next start tries again
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(readText("Err.log"), logged);
}

TEST_F(Archive, AReadOnlyLogIsArchivedAndKeepsItsLines) {
  lastArchivedOn("01-03-2024");
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strLogPath, true));
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(readText("Backup/15-03-2024.txt"), kLog);
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_EQ(stored("LastArchiveDate"), "15-03-2024");
}

TEST_F(Archive, TimerKeepsTheDateWhenTheCopyFailsOrNothingIsDue) {
  lastArchivedOn("01-03-2024");
  ASSERT_TRUE(fs::remove(native("logs/Alertlog.txt")));
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(stored("LastArchiveDate"), "01-03-2024");

  EXPECT_FALSE(exists("Backup"));

  writeText("logs/Alertlog.txt", kLog);
  lastArchivedOn("10-03-2024");
  mv::ArchiveLogWhenDue();
  EXPECT_FALSE(exists("Backup"));
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
}

TEST_F(Archive, TheTimerArchivesOnceTheIntervalHasPassedWhileTheProgramRuns) {
  lastArchivedOn("15-03-2024");  // today
  // Seven days later, just before midnight: not yet more than the interval.
  mv::platform::advanceClock(7 * 86400 + 13 * 3600 + 29 * 60);
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  // Past midnight the eighth day has begun: the log is archived under it.
  mv::platform::advanceClock(60);
  mv::ArchiveLogWhenDue();
  EXPECT_EQ(readText("Backup/23-03-2024.txt"), kLog);
  EXPECT_EQ(readText("logs/Alertlog.txt"), "");
  EXPECT_EQ(stored("LastArchiveDate"), "23-03-2024");
}

TEST_F(Archive, TimerSetsAMissingDateAndEndsTheTick) {
  lastArchivedOn("");
  EXPECT_TRUE(mv::SetArchiveDateWhenMissing());
  EXPECT_EQ(stored("LastArchiveDate"), "15-03-2024");
  EXPECT_FALSE(mv::SetArchiveDateWhenMissing());
}

// ---------------------------------------------------------------------------
// Engine logs.

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(Archive, CleanUpLeavesTodaysEngineLogsAndOtherFiles) {
  for (const char* name : {"20240314.log", "20240314i.log", "20231231.LOG", "20240315.log", "20240315i.log",
                           "20240316.log", "notes.log", "2024031.log", "20240314.txt", "readme.txt"})
    writeText(std::string("System32/logfiles/mvd/") + name, "x");

  mv::EraseExceptFileFromContainFolder(mv::strEngineLogPath + "20240315.log");

  EXPECT_EQ(filesIn(native("System32/logfiles/mvd")),
            (std::vector<std::string>{"2024031.log", "20240314.txt", "20240315.log", "20240315i.log", "20240316.log",
                                      "notes.log", "readme.txt"}));
}

TEST_F(Archive, CleanUpOfAMissingFolderDoesNothing) {
  fs::remove_all(native("System32/logfiles/mvd"));
  mv::EraseExceptFileFromContainFolder(mv::strEngineLogPath + "20240315.log");
  EXPECT_EQ(readText("Err.log"), "");
}

}  // namespace
}  // namespace mvtest
