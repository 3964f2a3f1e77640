// Process, program and component events read from the engine's log: the
// running-process list, the active marks, the rights an answered request
// gives, and new programs and components in their settings files.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include <QLabel>
#include <QTreeWidget>

#include "core/mdINIBas.h"
#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "programs/frmProgramControl.h"
#include "programs/mdlProgramControlLists.h"
#include "tests/alerts/EventsFixture.h"

namespace mvtest {
namespace {

using namespace mv;

class ProcessEvents : public EventsTest {
 protected:
  void SetUp() override {
    EventsTest::SetUp();
    hooks::ProgramRowActive = [this](const std::string& key, bool active) { marks.emplace_back(key, active); };
  }
  void TearDown() override {
    hooks::ProgramRowActive = nullptr;
    EventsTest::TearDown();
  }
  // Reads the lines one tick after another, numbered from the cursor on.
  void events(const std::vector<std::string>& lines) {
    for (const auto& line : lines) addLine(++written, line);
    CheckNewAlertsGenerates();
    ASSERT_EQ(lngLastLogLineNo, written);
  }
  // A listed program, as the store loads it.
  static void listProgram(const std::string& path, const std::string& name, const std::string& rights) {
    auto p = std::make_shared<clsProgramList>();
    p->Path = path;
    p->ProgramName = name;
    std::string* texts[] = {&p->AccessTrusted, &p->AccessInternet, &p->ServerTrusted, &p->ServerInternet};
    for (int i = 0; i < 4; ++i) *texts[i] = AccessCodeToText(rights[static_cast<std::size_t>(i)] - '0');
    colProgramList.Add(p, LCase(path));
    std::vector<std::pair<std::string, std::string>> keys = {{"Path", path}};
    for (int i = 0; i < 4; ++i) keys.emplace_back("Column" + std::to_string(i + 1), std::string(1, rights[i]));
    EXPECT_TRUE(WriteINIKeys(name, keys, strProgramControlFile, true));
  }
  static bool active(const std::string& path) { return colProgramList.Item(LCase(path))->Active; }
  static std::string rightsOf(const std::string& path) {
    const auto& p = *colProgramList.Item(LCase(path));
    return p.AccessTrusted + " " + p.AccessInternet + " " + p.ServerTrusted + " " + p.ServerInternet;
  }
  static std::string stored(const std::string& section, const std::string& key) {
    return ReadINI(section, key, "", strProgramControlFile, true);
  }

  long written = 0;
  std::vector<std::pair<std::string, bool>> marks;
};

TEST_F(ProcessEvents, OneElementPerProcessAndTheEndOfAnUnknownOneChangesNothing) {
  events({np("10"), np("10", "/opt/other"), np("11")});
  EXPECT_EQ(pids(), (std::vector<std::string>{"10", "11"}));
  EXPECT_EQ(arrProcessList[1].ProgramPath, "/opt/app/run");
  EXPECT_EQ(RemoveFromProcssList("99", ""), "-2");
  events({"10:00:00,DP,99,/opt/app/run"});
  EXPECT_EQ(pids().size(), 2u);
  EXPECT_TRUE(marks.empty());
}

TEST_F(ProcessEvents, AListedProgramIsActiveWhileAnyOfItsProcessesRuns) {
  listProgram("/opt/app/run", "run", "0000");
  events({np("1"), np("2")});
  EXPECT_TRUE(active("/opt/app/run"));
  // Marked once: a program already active is not shown again.
  EXPECT_EQ(marks, (std::vector<std::pair<std::string, bool>>{{"/opt/app/run", true}}));

  EXPECT_EQ(RemoveFromProcssList("1", "/opt/app/run"), "-1");
  EXPECT_TRUE(active("/opt/app/run"));
  // The path of the process as it was listed is used, not the line's.
  events({"10:00:00,DP,2,/somewhere/else"});
  EXPECT_FALSE(active("/opt/app/run"));
  EXPECT_EQ(marks.back(), (std::pair<std::string, bool>{"/opt/app/run", false}));
  EXPECT_TRUE(pids().empty());
}

TEST_F(ProcessEvents, TheOpenProgramListShowsARunningProgramBoldAndGreen) {
  listProgram("/opt/app/run", "run", "0000");
  // The program-control page, as the main window shows it.
  MDIMain* main = LoadForm<MDIMain>();
  main->ProgramControl_Click();
  frmProgramControl* page = ProgramControlPageIfLoaded();
  ASSERT_NE(page, nullptr);
  auto* list = page->findChild<QTreeWidget*>("lvwPrograms");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->topLevelItemCount(), 1);
  QTreeWidgetItem* row = list->topLevelItem(0);

  events({np("1")});
  EXPECT_TRUE(row->font(0).bold());
  EXPECT_EQ(row->foreground(0).color(), QColor(0, 0x80, 0));
  events({"10:00:00,DP,1,/opt/app/run"});
  EXPECT_FALSE(row->font(0).bold());
  EXPECT_EQ(row->foreground(0).color(), QColor(0, 0, 0));
  UnloadMDIMain();
}

TEST_F(ProcessEvents, AnUnlistedProgramsProcessIsListedAndNothingIsMarked) {
  events({np("5", "/usr/bin/tool")});
  EXPECT_EQ(pids(), std::vector<std::string>{"5"});
  EXPECT_EQ(RemoveFromProcssList("5", "/usr/bin/tool"), "0");
  EXPECT_TRUE(marks.empty());
}

// A file name may hold a carriage return or another control character on
// Linux: such a path from the engine's log reaches no list and no settings
// file, so it can never write rules of its own; the lines after it still count.
TEST_F(ProcessEvents, APathWithAControlCharacterIsRefusedAndTheNextLinesStillCount) {
  events({np("5", "/tmp/x\r[LocalNet]"), "10:00:00,CR,42,/tmp/y\x01z,2,2,3", np("6", "/usr/bin/tool")});
  EXPECT_EQ(pids(), std::vector<std::string>{"6"});
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL").find("LocalNet"), std::string::npos);
  EXPECT_EQ(mv::colProgramList.Count(), 0);
  const std::string log = readText("Err.log");
  EXPECT_NE(log.find("CheckNewAlertsGenerates of Module mdlAlertsAndLogs: Path refused (holds a control character): /tmp/x<0D>[LocalNet]"),
            std::string::npos);
}

TEST_F(ProcessEvents, AnAnswerForAnUnlistedProgramAddsItsSectionWithTheDefaults) {
  std::vector<std::string> added;
  hooks::ProgramRowAdded = [&](const std::string& path) { added.push_back(path); };
  // Internet access answered Block: the server right in the Internet follows.
  events({"10:00:00,CR,42,/usr/bin/browser,2,2,3"});
  hooks::ProgramRowAdded = nullptr;
  ASSERT_TRUE(colProgramList.Contains("/usr/bin/browser"));
  EXPECT_EQ(rightsOf("/usr/bin/browser"), "Allow Block Ask Block");
  EXPECT_TRUE(active("/usr/bin/browser"));
  EXPECT_EQ(added, std::vector<std::string>{"/usr/bin/browser"});
  EXPECT_EQ(arrProcessList[1].PID, "42");
  EXPECT_EQ(arrProcessList[1].Active, -1);

  const std::string text = readText("Profiles/ProgramControl.MVL");
  std::size_t at = text.find("[browser]\r\n");
  ASSERT_NE(at, std::string::npos) << text;
  std::vector<std::string> keys;
  for (std::size_t pos = at + 11; pos < text.size() && text[pos] != '[';) {
    std::size_t end = text.find("\r\n", pos);
    keys.push_back(text.substr(pos, text.find('=', pos) - pos));
    pos = end + 2;
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Version", "Column1", "Column2", "Column3", "Column4", "Column5", "Column6",
                                            "Path", "AllowAccess", "Ports", "ICMP_Protocol", "IGMP_Protocol",
                                            "Authenticate", "CheckedPorts", "NoCustomizePorts"}));
  EXPECT_EQ(stored("browser", "Column2"), "1");
  EXPECT_EQ(stored("browser", "Path"), "/usr/bin/browser");
}

TEST_F(ProcessEvents, AnAnswerForAListedProgramRewritesItsRightsByTheModel) {
  listProgram("/opt/app/run", "run", "0000");
  std::vector<std::string> rows;
  hooks::ProgramRowRights = [&](const std::string& path, const std::array<std::string, 4>& rights) {
    rows.push_back(path + ":" + rights[0] + rights[1] + rights[2] + rights[3]);
  };
  // Trusted access answered Block: every right is at least as strict.
  events({"10:00:00,CR,7,/opt/app/run,1,2,3"});
  EXPECT_EQ(rightsOf("/opt/app/run"), "Block Block Block Block");
  EXPECT_EQ(stored("run", "Column3"), "1");
  // Internet server answered Allow: every right is at most as strict.
  events({"10:00:00,CR,7,/opt/app/run,2,1,1"});
  EXPECT_EQ(rightsOf("/opt/app/run"), "Allow Allow Allow Allow");
  // Trusted server answered Ask.
  events({"10:00:00,CR,7,/opt/app/run,1,1,2"});
  EXPECT_EQ(rightsOf("/opt/app/run"), "Allow Allow Ask Ask");
  hooks::ProgramRowRights = nullptr;
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(pids(), std::vector<std::string>{"7"});
}

TEST_F(ProcessEvents, AnAnswerLeavesAStoredRightThatCannotBeReadByteForByte) {
  // Server Trusted holds no right code.
  listProgram("/opt/app/run", "run", "0070");
  auto line = [this](const std::string& key) {
    const std::string text = readText("Profiles/ProgramControl.MVL");
    const std::size_t at = text.find("\r\n" + key + "=");
    return at == std::string::npos ? std::string("<missing>") : text.substr(at, text.find("\r\n", at + 2) - at);
  };
  const std::string damaged = line("Column3");
  // Internet access answered Block: Internet server follows; nothing else is written.
  events({"10:00:00,CR,7,/opt/app/run,2,2,3"});
  EXPECT_EQ(rightsOf("/opt/app/run"), "Allow Block  Block");
  EXPECT_EQ(stored("run", "Column2"), "1");
  EXPECT_EQ(stored("run", "Column4"), "1");
  EXPECT_EQ(line("Column3"), damaged);
  // Trusted access answered Block: the rule moves the rights it can read.
  events({"10:00:00,CR,7,/opt/app/run,1,2,3"});
  EXPECT_EQ(rightsOf("/opt/app/run"), "Block Block  Block");
  EXPECT_EQ(line("Column3"), damaged);
  // The answer for that right itself is stored.
  events({"10:00:00,CR,7,/opt/app/run,1,1,2"});
  EXPECT_EQ(rightsOf("/opt/app/run"), "Ask Block Ask Block");
  EXPECT_EQ(stored("run", "Column3"), "2");
}

TEST_F(ProcessEvents, AnAnswerWithUndefinedCodesChangesNoRight) {
  listProgram("/opt/app/run", "run", "2222");
  events({"10:00:00,CR,7,/opt/app/run,1,2,4",     // no such answer
          "10:00:00,CR,7,/opt/app/run,3,2,1",     // no such zone
          "10:00:00,CR,7,/opt/app/run,1,0,1",     // no such request
          "10:00:00,CR,8,/usr/bin/new,1,2,0"});   // not listed, no answer
  EXPECT_EQ(rightsOf("/opt/app/run"), "Ask Ask Ask Ask");
  EXPECT_EQ(stored("run", "Column1"), "2");
  EXPECT_FALSE(colProgramList.Contains("/usr/bin/new"));
  EXPECT_EQ(pids(), (std::vector<std::string>{"7", "8"}));
}

TEST_F(ProcessEvents, ANewModuleIsStoredAsAComponent) {
  events({"10:00:00,NM,/usr/lib/libnet.so,2"});
  ASSERT_TRUE(colComponentList.Contains("/usr/lib/libnet.so"));
  EXPECT_EQ(colComponentList.Item("/usr/lib/libnet.so")->AccessType, 2);
  EXPECT_EQ(CheckIn_ComponentListExist("/USR/LIB/LIBNET.SO"), 1);
  EXPECT_EQ(ReadINI("LIBNET.SO", "Path", "", strComponentsFile, true), "/usr/lib/libnet.so");
  EXPECT_EQ(ReadINI("LIBNET.SO", "AccessType", "", strComponentsFile, true), "2");
}

TEST_F(ProcessEvents, LookupsIgnoreCaseAndTakeTheFirst) {
  listProgram("/opt/A/run", "Run", "0000");
  listProgram("/opt/b/run", "run(1)", "0000");
  EXPECT_EQ(CheckIn_ListExist_byName("RUN"), 1);
  EXPECT_EQ(CheckIn_ListExist_byName("run(1)"), 2);
  EXPECT_EQ(CheckIn_ListExist_byPath("/OPT/B/RUN"), 2);
  EXPECT_EQ(CheckIn_ListExist_byPath("/opt/c/run"), 0);
  EXPECT_EQ(IsPIDExist("x1", "/p", false), 0);
  EXPECT_EQ(IsPIDExist("x1", "/p", true), 1);
  EXPECT_EQ(IsPIDExist("X1", "/q", true), 1);
  EXPECT_EQ(getProcessName("x1"), "/p");
  EXPECT_EQ(getProcessName("x2"), "");
}

}  // namespace
}  // namespace mvtest
