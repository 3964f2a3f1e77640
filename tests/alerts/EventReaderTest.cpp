// The engine event reader on today's two logs: the order of the lines, gaps
// in the line numbers, invalid and unconvertible lines, the unfinished last
// line, the date change and a restart of the engine.
#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "rules/mdlDefineRules.h"
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's count of the bytes in use (its own allocator).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif
#include "tests/alerts/EventsFixture.h"

namespace mvtest {
namespace {

using namespace mv;
using Pids = std::vector<std::string>;

// The bytes the program has allocated and not freed.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

class EventReader : public EventsTest {
 protected:
  // A log of `lines` lines of about 1 KB each, the process IDs their numbers.
  static std::string burst(long lines) {
    std::string text = "[Logs]\r\n";
    char key[24];
    for (long n = 1; n <= lines; ++n) {
      std::snprintf(key, sizeof key, "%010ld", n);
      text += key + ("=" + np(std::to_string(n), "/opt/" + std::string(1000, 'a'))) + "\r\n";
    }
    return text;
  }
};

TEST_F(EventReader, ReadsBothLinesOfATickFirstLogBeforeSecond) {
  addLine(1, np("1"));
  addLine(2, np("2"));
  addLine(1, np("91"), true);
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "2", "91"}));
  EXPECT_EQ(lngLastLogLineNo, 2);
  EXPECT_EQ(lngLastILogLineNo, 1);

  // Only what was added since is read.
  addLine(1, np("92"), true);  // behind the cursor: not read
  addLine(2, np("93"), true);
  addLine(3, np("3"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "2", "91", "3", "93"}));
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids().size(), 5u);
}

TEST_F(EventReader, ABurstIsTakenInBitesOverTheTicksInOrderAndWhole) {
  // 3,000 lines of about 1 KB each; the second log's line waits for the
  // first log's rest.
  const long lines = 3000;
  std::string text = burst(lines);
  writeText(logName(false), text);
  addLine(1, np("9001"), true);
  CheckNewAlertsGenerates();
  EXPECT_GT(lngLastLogLineNo, 0);
  EXPECT_LT(lngLastLogLineNo, lines);
  EXPECT_EQ(lngLastILogLineNo, 0);
  for (int tick = 0; tick < 10 && lngLastILogLineNo == 0; ++tick) CheckNewAlertsGenerates();
  Pids expected;
  for (long n = 1; n <= lines; ++n) expected.push_back(std::to_string(n));
  expected.push_back("9001");
  EXPECT_EQ(pids(), expected);
}

TEST_F(EventReader, TheSecondLogsBurstIsNotHeldWhileTheFirstLogIsRead) {
  // The first log holds a line for each tick (invalid lines, taken one a
  // tick); the second a burst of about 24 MB, which waits meanwhile.
  const int ticks = 24;
  for (int n = 1; n <= ticks + 1; ++n) addLine(n, "not an event");
  writeText(logName(true), burst(24000));
  const std::size_t before = heapInUse();
  for (int tick = 0; tick < ticks; ++tick) CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, ticks);
  EXPECT_EQ(lngLastILogLineNo, 0);
  // What waits is held a bite at a time, not the whole burst.
  const std::size_t held = heapInUse() - std::min(before, heapInUse());
  EXPECT_LT(held, std::size_t{8} << 20);
}

TEST_F(EventReader, ALogReplacedAfterABurstGoesOnAfterTheCursor) {
  // A burst of 3,000 lines of about 1 KB is read whole; then the log is
  // replaced by a new file that holds the same lines and one more.
  const long lines = 3000;
  std::string text = burst(lines);
  writeText(logName(false), text);
  for (int tick = 0; tick < 10 && lngLastLogLineNo < lines; ++tick) CheckNewAlertsGenerates();
  ASSERT_EQ(lngLastLogLineNo, lines);
  char key[24];
  std::snprintf(key, sizeof key, "%010ld", lines + 1);
  writeText(logName(false) + ".new", text + key + "=" + np("9001") + "\r\n");
  std::filesystem::rename(native(logName(false) + ".new"), native(logName(false)));
  for (int tick = 0; tick < 10 && lngLastLogLineNo == lines; ++tick) CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, lines + 1);
  EXPECT_EQ(pids().back(), "9001");
  EXPECT_EQ(pids().size(), static_cast<size_t>(lines + 1));
}

TEST_F(EventReader, AMissingLineBeforeAPresentOneIsSkippedForGood) {
  addLine(1, np("1"));
  addLine(2, np("2"));
  addLine(4, np("4"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "2", "4"}));
  EXPECT_EQ(lngLastLogLineNo, 4);
  addLine(3, np("3"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "2", "4"}));
}

TEST_F(EventReader, TwoMissingLinesHoldTheFirstLogUntilOneIsWritten) {
  addLine(1, np("1"));
  addLine(4, np("4"));
  addLine(2, np("92"), true);  // key 1 of the second log is missing
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "92"}));
  EXPECT_EQ(lngLastLogLineNo, 1);
  EXPECT_EQ(lngLastILogLineNo, 2);  // only the second log's cursor moved
  addLine(3, np("3"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "92", "3", "4"}));
  EXPECT_EQ(lngLastLogLineNo, 4);
}

TEST_F(EventReader, InvalidLinesArePassedOverOneATick) {
  const std::vector<std::string> invalid = {
      "10:00:00,np,5,/opt/a",                     // the kind in lower case
      "10:00:00,NP,5,/opt/a,x",                   // five fields
      "10:00:00,NP,five,/opt/a",                  // a process ID that is no number
      packet(1, 0, 1, "a", "b", "p") + ",extra",  // thirteen fields
      "10:00:00,1,0,1,a,b,p,t,0,1,2",             // eleven fields
      "10:00:00,2,0,1,a,b,p,t,0,1,2,3",           // no such action
  };
  for (std::size_t i = 0; i < invalid.size(); ++i) addLine(static_cast<long>(i + 1), invalid[i]);
  addLine(static_cast<long>(invalid.size() + 1), np("55"));
  for (std::size_t i = 0; i < invalid.size(); ++i) {
    CheckNewAlertsGenerates();
    EXPECT_EQ(lngLastLogLineNo, static_cast<int>(i + 1)) << invalid[i];
    EXPECT_TRUE(pids().empty());
  }
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"55"});
  EXPECT_EQ(errLog(), "");  // an invalid line is no error
}

TEST_F(EventReader, ALineThatDoesNotConvertIsLoggedAndSkipped) {
  addLine(1, "10:00:00,CR,5,/opt/app/run,two,2,1");  // the zone is no number
  addLine(2, "not a date,NP,6,/opt/a");
  addLine(3, "10:00:00,NM,/lib/x.so,256");  // an access number above 255
  addLine(4, np("7"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, 1);
  CheckNewAlertsGenerates();
  CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, 3);
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"7"});
  const std::string err = errLog();
  EXPECT_EQ(err.find("CheckNewAlertsGenerates of Module mdlAlertsAndLogs: "), 21u) << err;
  std::size_t lines = 0;
  for (char c : err) lines += c == '\n';
  EXPECT_EQ(lines, 3u);
}

TEST_F(EventReader, AnUnfinishedLastLineWaitsForItsEnd) {
  writeText(logName(false), "[Logs]\r\n0000000001=" + np("1") + "\r\n0000000002=10:00:00,NP,12");
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"1"});
  EXPECT_EQ(lngLastLogLineNo, 1);
  writeText(logName(false), readText(logName(false)) + "34,/opt/long\r\n");
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"1", "1234"}));
}

TEST_F(EventReader, AnUnfinishedLineThatStaysSoIsTakenAtLast) {
  writeText(logName(false), "[Logs]\r\n0000000001=" + np("9"));
  int ticks = 0;
  while (pids().empty() && ticks < 20) {
    CheckNewAlertsGenerates();
    ++ticks;
  }
  EXPECT_EQ(pids(), Pids{"9"});
  EXPECT_GT(ticks, 2);  // not at once: the engine may still be writing it
}

TEST_F(EventReader, LongValuesAreReadWhole) {
  const std::string path = "/opt/" + std::string(300, 'd') + "/app";
  addLine(1, "10:00:00,NP,4242," + path);
  CheckNewAlertsGenerates();
  ASSERT_EQ(arrProcessList.size(), 2u);
  EXPECT_EQ(arrProcessList[1].PID, "4242");
  EXPECT_EQ(arrProcessList[1].ProgramPath, path);
}

TEST_F(EventReader, OnlyTheLogsSectionAndTenDigitKeysAreLines) {
  writeText(logName(false),
            "[Other]\r\n0000000001=" + np("x") + "\r\n[ logs ]\r\n1=" + np("short") + "\r\n0000000001 = " + np("1") +
                "\r\n[Logs]\r\n0000000002=" + np("late") + "\r\n");
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"1"});
}

TEST_F(EventReader, AValidLineResetsTheIdleMinutes) {
  intIdleMinutes = 7;
  addLine(1, "10:00:00,np,1,/a");
  CheckNewAlertsGenerates();
  EXPECT_EQ(intIdleMinutes, 7);
  addLine(2, np("1"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(intIdleMinutes, 0);
}

TEST_F(EventReader, AfterMidnightYesterdaysRestIsReadThenTodayFromLineOne) {
  setToday(2024, 3, 14);
  addLine(1, np("11"), false, "20240314");
  CheckNewAlertsGenerates();
  addLine(2, np("12"), false, "20240314");
  addLine(3, "10:00:00,np,bad,/a", false, "20240314");  // invalid: the rest is still read
  addLine(4, np("14"), false, "20240314");
  addLine(1, np("19"), true, "20240314");
  addLine(1, np("21"), false, "20240315");
  addLine(1, np("29"), true, "20240315");
  platform::advanceClock(14 * 3600);  // 00:30 on the 15th
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), (Pids{"11", "12", "14", "19", "21", "29"}));
  EXPECT_EQ(lngLastLogLineNo, 1);
  EXPECT_EQ(lngLastILogLineNo, 1);
}

TEST_F(EventReader, AfterARestartTheNewLogsAreReadFromTheirFirstLine) {
  addLine(1, np("1"));
  addLine(2, np("2"));
  CheckNewAlertsGenerates();
  // The engine begins its logs afresh; engine control puts the cursors back.
  writeText(logName(false), "");
  addLine(1, np("61"));
  lngLastLogLineNo = 0;
  lngLastILogLineNo = 0;
  arrProcessList.assign(1, tProcessRecord{});
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"61"});

  // The cursors put back over an unchanged log read it again.
  lngLastLogLineNo = 0;
  arrProcessList.assign(1, tProcessRecord{});
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"61"});
}

TEST_F(EventReader, ARestartWhileALineIsReadLosesNoLineOfTheFreshLogs) {
  addLine(1, np("1"));
  // The user applies while the reader lets window events run.
  QTimer::singleShot(0, [this] {
    writeText(logName(false), "");
    addLine(1, np("61"));
    ResetEventReader();
  });
  CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, 0);
  CheckNewAlertsGenerates();
  EXPECT_EQ(pids(), Pids{"61"});
  EXPECT_EQ(lngLastLogLineNo, 1);
}

TEST_F(EventReader, ATickInsideATickReadsNothing) {
  // The pop-up opens inside the tick, and a tick fires while it is opening.
  std::vector<int> seen;
  hooks::ShowAlertPopup = [&] {
    const int before = lngLastLogLineNo;
    CheckNewAlertsGenerates();
    seen.push_back(lngLastLogLineNo - before);
    return true;
  };
  addLine(1, packet(1, 0, 1, "10.0.0.1:1025", "10.1.2.3:25", ""));
  addLine(2, np("2"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(seen, std::vector<int>{0});
  EXPECT_EQ(pids(), Pids{"2"});
  EXPECT_EQ(lngLastLogLineNo, 2);
}

TEST_F(EventReader, AMissingFolderOrLogReadsAsNothing) {
  CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, 0);
  std::filesystem::remove_all(native("System32/logfiles"));
  CheckNewAlertsGenerates();
  EXPECT_EQ(lngLastLogLineNo, 0);
  EXPECT_EQ(errLog(), "");
}

TEST(EventLines, KindsAndFields) {
  EXPECT_EQ(validateLogStr("d,NP,1234,/opt/x"), KindProcessStart);
  EXPECT_EQ(validateLogStr("d,DP,-1.5,/opt/x"), KindProcessEnd);  // signs and decimals are numbers
  EXPECT_EQ(validateLogStr("d,NM,/lib/x.so,2"), KindModule);
  EXPECT_EQ(validateLogStr("d,NM,/lib/x.so,two"), KindInvalid);
  EXPECT_EQ(validateLogStr("d,CR,5,/p,1,2,1"), KindAccess);
  EXPECT_EQ(validateLogStr("d,CR,5,/p,1,2"), KindInvalid);
  EXPECT_EQ(validateLogStr("d,0,0,0,a,b,p,t,0,1,2,3"), KindPacket);
  EXPECT_EQ(validateLogStr("d,1,0,0,a,b,p,t,0,1,2,3"), KindPacket);
  EXPECT_EQ(validateLogStr(""), KindInvalid);
  EXPECT_EQ(validateLogStr("NP"), KindInvalid);

  tEventRecord start = ParseLogLine("10:00:00,NP,1234,/opt/x/app");
  EXPECT_EQ(start.Valid, -1);
  EXPECT_EQ(start.Kind, KindProcessStart);
  EXPECT_EQ(start.Text1, "1234");
  EXPECT_EQ(start.ProgramPath, "/opt/x/app");

  tEventRecord access = ParseLogLine("10:00:00,CR,5,/p,1,2,1");
  EXPECT_EQ(access.Number3, 1);
  EXPECT_EQ(access.Number4, 2);
  EXPECT_EQ(access.Number2, 0);

  tEventRecord module = ParseLogLine("10:00:00,NM,/lib/x.so,2");
  EXPECT_EQ(module.ProgramPath, "/lib/x.so");
  EXPECT_EQ(module.Number1, 2);

  tEventRecord p = ParseLogLine("2024-03-15 10:15:30,1,2,0,Local Address,10.0.0.9,8,Blocked,1,0,0,321");
  EXPECT_EQ(p.Kind, KindPacket);
  EXPECT_EQ(p.Action, 1);
  EXPECT_EQ(p.Protocol, 2);
  EXPECT_EQ(p.Direction, 0);
  EXPECT_EQ(p.SourceIP, "Local Address");
  EXPECT_EQ(p.DestIP, "10.0.0.9");
  EXPECT_EQ(p.ProgramPath, "8");
  EXPECT_EQ(p.Text2, "Blocked");
  EXPECT_EQ(p.Level, 1);
  EXPECT_EQ(p.Text1, "321");
  EXPECT_EQ(DateToText(p.EventDate), "15/03/2024 10:15:30");

  EXPECT_EQ(ParseLogLine("d,np,1,/a").Valid, 0);
  EXPECT_THROW(ParseLogLine("10:00:00,1,x,0,a,b,p,t,0,1,2,3"), RuntimeError);
}

TEST(EventLines, OnlyAWholeAnyAddressBecomesLocalAddress) {
  EXPECT_EQ(ReplaceLocalAddress("d,1,0,0,0.0.0.0:80,0.0.0.0,p"), "d,1,0,0,Local Address:80,Local Address,p");
  EXPECT_EQ(ReplaceLocalAddress("10.0.0.0,0.0.0.01,100.0.0.0.0,0.0.0.0"), "10.0.0.0,0.0.0.01,100.0.0.0.0,Local Address");
  EXPECT_EQ(ReplaceLocalAddress("no address"), "no address");
}

}  // namespace
}  // namespace mvtest
