// Reading the newest alerts of qtrLogs.MVL, their cells, details and dates;
// the settings rules of the page and the advanced dialog; moving the plain log.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "alerts/mdlAlertLogList.h"
#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlAlertLogSettings.h"
#include "platform/FileSystem.h"
#include "tests/alerts/AlertsPageFixture.h"

namespace mvtest {
namespace {

namespace fs = std::filesystem;
using mv::AlertRow;

class AlertLogList : public AlertsPageTest {
 protected:
  std::vector<AlertRow> newest(long count) const { return mv::ReadNewestAlerts(mv::strQTRLogFile, count); }
  static std::vector<std::string> programs(const std::vector<AlertRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(r[6]);
    return out;
  }
};

TEST_F(AlertLogList, ALineWithoutTwelveFieldsIsSkippedAndNoOlderLineTakesItsPlace) {
  writeAlertLog({alertText(1), alertText(2), alertText(3), alertText(4) + ",extra", "", alertText(6)});
  // The newest four lines are 3 to 6: line 4 has 13 fields and line 5 is
  // empty, so two alerts remain, and neither line 1 nor line 2 comes in.
  EXPECT_EQ(programs(newest(4)), (std::vector<std::string>{"prog6", "prog3"}));
  writeAlertLog({alertText(1), "High,no commas here"});
  EXPECT_EQ(programs(newest(2)), (std::vector<std::string>{"prog1"}));
}

TEST_F(AlertLogList, CellsTakeTheirFieldsAndAZeroFieldIsAnEmptyCell) {
  writeAlertLog({"Medium,2024/03/15 09:00:00,Allow,ICMP (Type = 8), 0 ,10.0.0.2,0,,Protected,0,0,3"});
  const auto rows = newest(5);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (AlertRow{"2024/03/15 09:00:00", "Allow", "ICMP (Type = 8)", "", "10.0.0.2", "", "",
                               "Protected", "3"}));
}

TEST_F(AlertLogList, LinesEndInCrLfOrLfAndTheLastNeedsNoLineEnd) {
  const std::string a = mv::EncryptString(alertText(1), mv::PasswordKey);
  const std::string b = mv::EncryptString(alertText(2), mv::PasswordKey);
  const std::string c = mv::EncryptString(alertText(3), mv::PasswordKey);
  writeText("Profiles/qtrLogs.MVL", a + "\n" + b + "\r\n" + c);
  EXPECT_EQ(programs(newest(10)), (std::vector<std::string>{"prog3", "prog2", "prog1"}));
}

TEST_F(AlertLogList, AnEscapedLineBreakInTheScrambledTextIsReadBack) {
  // A program path with bytes that scramble to CR, LF and "%": the queue
  // writes those as %0D, %0A and %25, so the alert stays one line.
  const std::string before = "High,2024/03/15 09:00:00,Deny,TCP,Outgoing,1.1.1.1,2.2.2.2,C:\\a";
  auto keyAt = [](std::size_t i) { return static_cast<unsigned char>(mv::PasswordKey[(i + 1) % 8]); };
  std::string program = "C:\\a";
  const std::size_t at = before.size();
  program += static_cast<char>((256 + '\r' - keyAt(at)) & 0xFF);
  program += static_cast<char>((256 + '\n' - keyAt(at + 1)) & 0xFF);
  program += static_cast<char>((256 + '%' - keyAt(at + 2)) & 0xFF);
  const std::string text = before.substr(0, before.size() - 4) + program + ",Protected,1,2,1";
  const std::string scrambled = mv::EncryptString(text, mv::PasswordKey);
  ASSERT_EQ(scrambled.substr(at, 3), "\r\n%");
  const std::string escaped = scrambled.substr(0, at) + "%0D%0a%25" + scrambled.substr(at + 3);
  EXPECT_EQ(mv::QtrLogLineText(escaped), text);
  writeText("Profiles/qtrLogs.MVL", escaped + "\r\n");
  const auto rows = newest(5);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][6], program);
  // A plain ASCII line is the scrambled text as it is.
  EXPECT_EQ(mv::QtrLogLineText(mv::EncryptString("a,b", mv::PasswordKey)), "a,b");
}

TEST_F(AlertLogList, AMissingFileOrACountBelowOneListsNothing) {
  EXPECT_TRUE(newest(50).empty());
  writeAlerts(1, 3);
  EXPECT_TRUE(newest(0).empty());
  EXPECT_EQ(newest(1).size(), 1u);
}

TEST(AlertLogText, ValidLinesHoldExactlyTwelveFields) {
  EXPECT_TRUE(mv::checkValidLog(",,,,,,,,,,,"));
  EXPECT_TRUE(mv::checkValidLog(alertText(1)));
  EXPECT_FALSE(mv::checkValidLog(alertText(1) + ","));
  EXPECT_FALSE(mv::checkValidLog(",,,,,,,,,,"));
  EXPECT_FALSE(mv::checkValidLog("no fields"));
  EXPECT_FALSE(mv::checkValidLog(""));
}

TEST(AlertLogText, DetailsFollowTheTemplate) {
  const AlertRow row = {"2024/03/15 09:00:00", "Deny", "UDP", "Incoming", "10.0.0.5:53", "10.0.0.1:1030",
                        "Browser", "Blocked", "2"};
  EXPECT_EQ(mv::AlertDetailsText(row),
            "Type:\t\tBlocked\r\nDirection:\t\tIncoming\r\nSource IP:\t10.0.0.5:53\r\nDest IP:\t\t10.0.0.1:1030\r\n"
            "Protocol IP:\tUDP\r\nCount:\t\t2\r\nDate:\t\t2024/03/15 09:00:00\r\nProgram:\t\tBrowser");
}

TEST(AlertLogText, FootersComeFromTheStringTable) {
  EXPECT_EQ(mv::AlertsMainFooterText(),
            "Alert Event Shows: Shows the alerts just above system tray. Off mode doesn't show any alert.\r\n"
            "Log Control: Generate the log of the alerts. Off mode doesn't generate any log.\r\n"
            "Firewall Log: Firewall Logs and Alerts should be generated or not. If this mode is off, doesn't show "
            "any firewall alert or log.");
  EXPECT_EQ(mv::LogViewerFooterText("50", "C:\\logs\\a.txt"),
            "The log list is displayed last 50 logs.\r\nCurrent log file saves to : C:\\logs\\a.txt");
}

TEST(AlertLogText, TheDateCellGivesTheEventsOwnDateAndTime) {
  double logged = 0, own = 0, later = 0, midnight = 0, none = 0;
  ASSERT_TRUE(mv::AlertDateSerial("2024/03/15 10:15:30", logged));
  EXPECT_DOUBLE_EQ(logged, 45366 + (10 * 3600 + 15 * 60 + 30) / 86400.0);
  // The run time writes the event's date day first, before its time.
  ASSERT_TRUE(mv::AlertDateSerial("2024/03/15 14/03/2024 23:59:00", own));
  EXPECT_DOUBLE_EQ(own, 45365 + (23 * 3600 + 59 * 60) / 86400.0);
  ASSERT_TRUE(mv::AlertDateSerial("2024/03/15 02:00:00 PM", later));
  EXPECT_GT(later, logged);
  ASSERT_TRUE(mv::AlertDateSerial("2024/03/15 15/03/2024", midnight));
  EXPECT_DOUBLE_EQ(midnight, 45366);
  EXPECT_FALSE(mv::AlertDateSerial("yesterday", none));
  EXPECT_FALSE(mv::AlertDateSerial("2024/02/30 10:00:00", none));
}

TEST(AlertSettingRules, BoxesStayBetweenTheirBounds) {
  EXPECT_EQ(mv::ClampedNumberText("0", 1, 9999), "1");
  EXPECT_EQ(mv::ClampedNumberText("", 1, 9999), "1");
  EXPECT_EQ(mv::ClampedNumberText("12345", 1, 9999), "9999");
  EXPECT_EQ(mv::ClampedNumberText("99999999999999999999", 1, 9999), "9999");
  EXPECT_EQ(mv::ClampedNumberText("050", 1, 9999), "050");
  EXPECT_EQ(mv::ClampedNumberText("9999", 1, 9999), "9999");
  EXPECT_EQ(mv::LogSeparatorOf(1), ",");
  EXPECT_EQ(mv::LogSeparatorOf(2), "\t");
  EXPECT_EQ(mv::LogSeparatorOf(3), ";");
  EXPECT_EQ(mv::LogSeparatorOf(7), ",");
}

class PlainLogMove : public AlertsPageTest {};

TEST_F(PlainLogMove, TheLogMovesWithItsLines) {
  writeText("logs/Alertlog.txt", "line 1\r\nline 2\r\n");
  EXPECT_EQ(mv::MovePlainLog(mv::strLogPath, mv::AppPath() + "\\moved.txt"), mv::LogMove::Moved);
  EXPECT_EQ(readText("moved.txt"), "line 1\r\nline 2\r\n");
  EXPECT_FALSE(fs::exists(native("logs/Alertlog.txt")));
}

TEST_F(PlainLogMove, WithoutAnOldLogTheNewOneStartsWithTheTwoHeaderLines) {
  EXPECT_EQ(mv::MovePlainLog(mv::strLogPath, mv::AppPath() + "\\new.txt"), mv::LogMove::Created);
  EXPECT_EQ(readText("new.txt"), "Log File\r\nMorvantis Verion : 1.0\r\n");
}

TEST_F(PlainLogMove, AReadOnlyOldLogIsNotMovedAndItsCopyIsTakenBack) {
  writeText("logs/Alertlog.txt", "kept\r\n");
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strLogPath, true));
  EXPECT_FALSE(mv::DeleteAnyFile(mv::strLogPath));
  EXPECT_EQ(mv::MovePlainLog(mv::strLogPath, mv::AppPath() + "\\moved.txt"), mv::LogMove::Failed);
  EXPECT_EQ(readText("logs/Alertlog.txt"), "kept\r\n");
  EXPECT_FALSE(fs::exists(native("moved.txt")));
}

TEST_F(PlainLogMove, TwoNamesOfOneFileMoveNothingAndLoseNothing) {
  writeText("logs/Alertlog.txt", "kept\r\n");
  EXPECT_EQ(mv::MovePlainLog(mv::strLogPath, mv::AppPath() + "\\LOGS\\alertlog.TXT"), mv::LogMove::Moved);
  EXPECT_EQ(readText("logs/Alertlog.txt"), "kept\r\n");
}

TEST_F(PlainLogMove, AMoveToItsOwnFileThroughALinkedFolderKeepsTheWholeLog) {
  writeText("logs/Alertlog.txt", "line 1\r\nline 2\r\n");
  fs::create_directory_symlink(native("logs"), native("linked"));
  EXPECT_EQ(mv::MovePlainLog(mv::strLogPath, mv::AppPath() + "\\linked\\Alertlog.txt"), mv::LogMove::Moved);
  EXPECT_EQ(readText("logs/Alertlog.txt"), "line 1\r\nline 2\r\n");
}

TEST_F(PlainLogMove, ANewPlaceThatCannotBeWrittenKeepsTheLog) {
  EXPECT_EQ(mv::MovePlainLog(mv::strLogPath, mv::AppPath() + "\\no such folder\\a.txt"), mv::LogMove::Failed);
}

}  // namespace
}  // namespace mvtest
