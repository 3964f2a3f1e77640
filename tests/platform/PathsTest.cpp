#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace mv::platform;

class Paths : public mvtest::ProgramFolderTest {};

TEST_F(Paths, BackslashPathsResolveWithoutRegardToCase) {
  writeText("Logs/AlertLog.txt", "x");
  std::string a = resolvePath(programFolder() + "\\logs\\alertlog.txt");
  std::string b = resolvePath(programFolder() + "\\LOGS\\ALERTLOG.TXT");
  EXPECT_EQ(a, native("Logs/AlertLog.txt"));
  EXPECT_EQ(b, a);
  EXPECT_TRUE(fileExists(programFolder() + "\\logs\\ALERTLOG.txt"));
}

TEST_F(Paths, NewNamesAreKeptAsWritten) {
  std::string p = resolvePath(programFolder() + "\\Backup\\Today.txt");
  EXPECT_EQ(p, folder + "/Backup/Today.txt");
  ASSERT_TRUE(makeFolder(programFolder() + "\\Backup"));
  ASSERT_TRUE(writeFileAtomic(programFolder() + "\\backup\\Today.txt", "1"));
  EXPECT_TRUE(fs::exists(folder + "/Backup/Today.txt"));
}

TEST_F(Paths, SystemDirectoryLiesUnderTheProgramFolder) {
  EXPECT_EQ(systemDirectory(), folder + "/System32");
  EXPECT_EQ(resolvePath(systemDirectory() + "\\Drivers\\ETC\\"), folder + "/System32/drivers/etc/");
  EXPECT_EQ(fileNamePart("a\\b\\c.txt"), "c.txt");
  EXPECT_EQ(fileNamePart("plain"), "plain");
}

TEST_F(Paths, NamesTheOperatingSystemGaveAreTakenExactly) {
  writeText("mine/alerts.txt", "x");
  // After "/" a name is the operating system's: another case is another file.
  EXPECT_EQ(resolvePath(folder + "/mine/Alerts.txt"), folder + "/mine/Alerts.txt");
  EXPECT_EQ(resolvePath(folder + "/MINE/alerts.txt"), folder + "/MINE/alerts.txt");
  // After "\" it is the system's own, matched without regard to case.
  EXPECT_EQ(resolvePath(folder + "\\MINE/Alerts.txt"), folder + "/mine/Alerts.txt");
  EXPECT_EQ(resolvePath(folder + "/mine\\Alerts.txt"), folder + "/mine/alerts.txt");
  EXPECT_EQ(systemPath(folder + "/mine/Alerts.txt"), folder + "/mine/Alerts.txt");
  EXPECT_EQ(folderPart(folder + "/mine/a.txt"), folder + "/mine/");
  EXPECT_EQ(folderPart("a\\b\\c.txt"), "a\\b\\");
  EXPECT_EQ(folderPart("plain"), "");
}
