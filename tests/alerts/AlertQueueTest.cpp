// Packet events read from the engine's log become alerts: their status, the
// queue with its counts, the two alert logs, the counters, and new programs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/mdINIBas.h"
#include "platform/FileSystem.h"
#include "rules/mdlDefineRules.h"
#include "tests/alerts/EventsFixture.h"

namespace mvtest {
namespace {

using namespace mv;
using Lines = std::vector<std::string>;

const std::string kDeny = "High,2024/03/15,10:15:30,Deny,TCP,Outgoing,10.0.0.1:1025,10.1.2.3:25,,Protected,1025,25";
const std::string kDenyQtr = "High,2024/03/15 10:15:30,Deny,TCP,Outgoing,10.0.0.1:1025,10.1.2.3:25,,Protected,1025,25";

class AlertQueue : public EventsTest {
 protected:
  void event(const std::string& line) {
    addLine(++written, line);
    CheckNewAlertsGenerates();
    ASSERT_EQ(lngLastLogLineNo, written) << errLog();
  }
  static std::string deny(const std::string& program = "") {
    return packet(1, 0, 1, "10.0.0.1:1025", "10.1.2.3:25", program);
  }
  static void listProgram(const std::string& path, const std::string& name) {
    auto p = std::make_shared<clsProgramList>();
    p->Path = path;
    p->ProgramName = name;
    colProgramList.Add(p, LCase(path));
  }
  static long queued() { return static_cast<long>(arrAlertQueue.size()) - 1; }
  long written = 0;
};

TEST_F(AlertQueue, ADenyWithoutAProgramIsQueuedForThePopUpAndCountedOnce) {
  event(deny());
  ASSERT_EQ(queued(), 1);
  const tAlertRecord& a = arrAlertQueue[1];
  EXPECT_EQ(a.Column7, "Protected");
  EXPECT_EQ(a.Column5, "");
  EXPECT_EQ(a.Count, 1);
  EXPECT_EQ(a.PlainLine, kDeny);
  EXPECT_EQ(a.QtrLine, kDenyQtr);
  EXPECT_EQ(a.DupKey, deny());
  EXPECT_EQ(DateToText(a.AlertDate) + " " + DateToText(a.AlertTime), "15/03/2024 10:15:30");
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(blnAlertShowing, -1);
  EXPECT_EQ(plainLog(), "");  // logged when the pop-up is closed

  event(deny());
  EXPECT_EQ(queued(), 1);
  EXPECT_EQ(arrAlertQueue[1].Count, 2);
  EXPECT_EQ(popups, 3);  // refreshed by the count and by the event
  // Without a program nothing is counted.
  EXPECT_EQ(OPrograms, 0);

  FlushAlertQueue();
  EXPECT_EQ(plainLog(), kDeny + "\r\n");
  EXPECT_EQ(qtrLines(), Lines{kDenyQtr + ",2"});
  EXPECT_EQ(queued(), 0);
}

TEST_F(AlertQueue, AnAllowOfAListedProgramIsLoggedAtOnceAndCounted) {
  listProgram("/opt/app/run", "run");
  arrProcessList.push_back({"77", "/opt/app/run", 0});
  event(packet(0, 1, 0, "10.0.0.5:53", "Local Address:1030", "/opt/app/run", "53", "1030"));
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(popups, 0);
  const std::string line = "High,2024/03/15,10:15:30,Allow,UDP,Incoming,10.0.0.5:53,Local Address:1030,run,"
                           "Repeat Program,53,1030";
  EXPECT_EQ(plainLog(), line + "\r\n");
  EXPECT_EQ(qtrLines(), Lines{"High,2024/03/15 10:15:30,Allow,UDP,Incoming,10.0.0.5:53,Local Address:1030,run,"
                              "Repeat Program,53,1030,1"});
  EXPECT_TRUE(colProgramList.Item("/opt/app/run")->Active);
  EXPECT_EQ(IPrograms, 1);
  EXPECT_EQ(IAllows, 1);
  EXPECT_EQ(AlertsTest::stored("IAllows"), "1");
}

TEST_F(AlertQueue, AnAllowOfAnUnlistedProgramAddsItWithTheDefaults) {
  event(packet(0, 0, 1, "10.0.0.1:40000", "10.1.2.3:443", "/usr/bin/fetch", "40000", "443"));
  ASSERT_TRUE(colProgramList.Contains("/usr/bin/fetch"));
  const auto& p = *colProgramList.Item("/usr/bin/fetch");
  EXPECT_EQ(p.AccessTrusted + p.AccessInternet + p.ServerTrusted + p.ServerInternet, "AllowAskAskBlock");
  EXPECT_EQ(ReadINI("fetch", "Path", "", strProgramControlFile, true), "/usr/bin/fetch");
  EXPECT_NE(plainLog().find(",fetch,New Program,40000,443\r\n"), std::string::npos) << plainLog();
  EXPECT_EQ(OPrograms, 1);
  EXPECT_EQ(OAllows, 1);
  // Seen again, it is a program of the list.
  event(packet(0, 0, 1, "10.0.0.1:40001", "10.1.2.3:443", "/usr/bin/fetch", "40001", "443"));
  EXPECT_NE(plainLog().find(",fetch,Repeat Program,40001,443\r\n"), std::string::npos) << plainLog();
}

TEST_F(AlertQueue, SystemAndPathlessAllowsQueueNothingButTheRoadRuns) {
  event(packet(0, 0, 1, "a:1", "b:2", "System"));
  event(packet(0, 0, 1, "a:1", "b:3", ""));
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(plainLog(), "");
  EXPECT_EQ(OPrograms, 0);
}

TEST_F(AlertQueue, IcmpAndIgmpNameNoProgramEvenAsDuplicates) {
  event(packet(1, 2, 0, "10.0.0.9", "Local Address", "8"));
  ASSERT_EQ(queued(), 1);
  EXPECT_EQ(arrAlertQueue[1].Column6, "ICMP (Type = 8)");
  EXPECT_EQ(arrAlertQueue[1].Column5, "");
  EXPECT_EQ(arrAlertQueue[1].Column7, "Protected");
  event(packet(1, 2, 0, "10.0.0.9", "Local Address", "8"));
  EXPECT_EQ(arrAlertQueue[1].Count, 2);
  event(packet(1, 3, 1, "10.0.0.9", "224.0.0.1", "/opt/app/run"));
  EXPECT_EQ(arrAlertQueue[2].Column6, "IGMP");
  EXPECT_EQ(arrAlertQueue[2].Column5, "");
  EXPECT_EQ(IPrograms + OPrograms, 0);
}

TEST_F(AlertQueue, WhileStoppedAlertsAreBlockedWhileLockedProtected) {
  blnNetworkStopped = true;
  event(deny("/opt/app/run"));
  EXPECT_EQ(arrAlertQueue[1].Column7, "Blocked");
  EXPECT_EQ(arrAlertQueue[1].Column5, "/opt/app/run");  // the full path: no program is looked up
  blnNetworkStopped = false;
  blnNetworkLocked = true;
  event(packet(1, 0, 1, "10.0.0.1:1025", "10.9.9.9:25", ""));
  EXPECT_EQ(arrAlertQueue[2].Column7, "Protected");
  blnNetworkLocked = false;
}

TEST_F(AlertQueue, ADenyStaysQueuedWithoutPopUpWhenInternetAccessAlertsAreOff) {
  ShowAlertOnInternetAccess = false;
  event(deny());
  EXPECT_EQ(queued(), 1);
  EXPECT_EQ(popups, 0);
  EXPECT_EQ(blnAlertShowing, 0);
}

TEST_F(AlertQueue, TheFlagFollowsWhetherThePopUpIsReallyUp) {
  popupUp = false;
  event(deny());
  EXPECT_EQ(blnAlertShowing, 0);
  popupUp = true;
  event(deny());
  EXPECT_EQ(blnAlertShowing, -1);
  EXPECT_EQ(popups, 3);
}

TEST_F(AlertQueue, ARememberedKeyQueuesNothing) {
  colDoNotShowAlerts.Add(leftComapreStr(ParseLogLine(deny())), "k");
  event(deny());
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(popups, 0);
}

TEST_F(AlertQueue, WithPopUpsOffTheQueueIsFlushedAfterEachEvent) {
  AlertEvent = 0;
  event(deny());
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(plainLog(), kDeny + "\r\n");
  EXPECT_EQ(qtrLines(), Lines{kDenyQtr + ",1"});

  ProgramLog = 0;
  event(deny());
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(plainLog(), kDeny + "\r\n");
  EXPECT_EQ(popups, 0);
}

TEST_F(AlertQueue, WithLoggingOffProgramAlertsAreNotLoggedEither) {
  ProgramLog = 0;
  event(packet(0, 0, 1, "10.0.0.1:1", "10.1.2.3:2", "/usr/bin/fetch"));
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(plainLog(), "");
  EXPECT_EQ(readText("Profiles/qtrLogs.MVL"), "");
  EXPECT_TRUE(colProgramList.Contains("/usr/bin/fetch"));  // still added
}

TEST_F(AlertQueue, TheEmptyElementNeverMatchesAnEvent) {
  listProgram("/opt/app/run", "run");
  // Allow, TCP, incoming, no destination: the key of the empty record.
  EXPECT_EQ(leftComapreStr(tEventRecord{}), "000");
  AlertEvent = 0;
  ProgramLog = 1;
  event(packet(0, 0, 0, "10.0.0.5:80", "", "/opt/app/run"));
  EXPECT_EQ(qtrLines().size(), 1u);
  EXPECT_EQ(arrAlertQueue[0].Count, 0);
}

TEST_F(AlertQueue, DuplicateKeysJoinActionProtocolDirectionAndAddresses) {
  tEventRecord r;
  r.Action = 1;
  r.Protocol = 1;
  r.Direction = 1;
  r.SourceIP = "10.0.0.1:1025";
  r.DestIP = "10.0.0.9";
  EXPECT_EQ(leftComapreStr(r), "11110.0.0.110.0.0.9");
  r.Direction = 0;
  EXPECT_EQ(leftComapreStr(r), "11010.0.0.9");
  r.Direction = 2;
  EXPECT_EQ(leftComapreStr(r), "");
  Collection<std::string> c;
  c.Add("Alpha", "a");
  c.Add("beta", "b");
  EXPECT_EQ(FindInCollection(c, "BETA"), 2);
  EXPECT_EQ(FindInCollection(c, "gamma"), -1);
}

TEST_F(AlertQueue, AnUnwritableQtrLogGetsNoQueueButASingleAlertIsTried) {
  // A log that cannot be opened for writing at all.
  std::filesystem::remove(native("Profiles/qtrLogs.MVL"));
  std::filesystem::create_directory(native("Profiles/qtrLogs.MVL"));
  blnQTRLogWritable = 0;
  event(deny());
  FlushAlertQueue();
  EXPECT_EQ(plainLog(), kDeny + "\r\n");
  EXPECT_EQ(errLog(), "");
  event(packet(0, 0, 1, "10.0.0.1:1", "10.1.2.3:2", "/usr/bin/fetch"));
  EXPECT_TRUE(std::filesystem::is_empty(native("Profiles/qtrLogs.MVL")));
  EXPECT_NE(errLog().find("AddSingleLineInLog of Module mdlAlertsAndLogs: "), std::string::npos) << errLog();
  EXPECT_NE(plainLog().find("New Program"), std::string::npos);
}

TEST_F(AlertQueue, APlainLogWithoutItsFolderGoesToLogsUnderTheProgramFolder) {
  strLogPath = AppPath() + "\\gone\\folder\\mine.txt";
  AlertEvent = 0;
  event(deny());
  EXPECT_EQ(strLogPath, AppPath() + "\\Logs\\mine.txt");
  EXPECT_EQ(readText("logs/mine.txt"), kDeny + "\r\n");
  event(packet(1, 0, 1, "10.0.0.1:1025", "10.7.7.7:25", ""));
  EXPECT_NE(readText("logs/mine.txt").find("10.7.7.7"), std::string::npos);
}

TEST_F(AlertQueue, AChosenLogWithoutItsFolderKeepsItsExactNameUnderLogs) {
  writeText("logs/Alertlog.txt", "the default log\r\n");
  strLogPath = native("gone") + "/ALERTLOG.TXT";
  AlertEvent = 0;
  event(deny());
  EXPECT_EQ(readText("logs/ALERTLOG.TXT"), kDeny + "\r\n");
  EXPECT_EQ(readText("logs/Alertlog.txt"), "the default log\r\n");
}

TEST(QtrLogLines, StayOneLineWhateverTheScrambledBytes) {
  // Bytes that scramble to CR, LF and "%" under the log's key.
  const std::string text = DecryptString("\r\n%ab", "KXN 4718") + "plain,text";
  ASSERT_EQ(EncryptString(text, "KXN 4718").substr(0, 3), "\r\n%");
  const std::string line = QtrLogFileLine(text);
  EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(QtrLogLineText(line), text);
  // An ASCII line is the scrambled text as it is.
  EXPECT_EQ(QtrLogFileLine("High,2024/03/15 10:15:30,Deny"), EncryptString("High,2024/03/15 10:15:30,Deny", "KXN 4718"));
}

}  // namespace
}  // namespace mvtest
