#include <gtest/gtest.h>

#include <filesystem>

#include "programs/mdlProgramControl.h"
#include "rules/NetworkCommands.h"
#include "tests/rules/RulesFixture.h"

using namespace mv;

class RuleFile : public mvtest::RulesTest {};

TEST_F(RuleFile, EmptyZonesAtLowLow) {
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_EQ(ruleFile(), golden("low_low_empty.conf"));
}

TEST_F(RuleFile, BlockedAndTrustedEntriesAtMediumHigh) {
  arrBlockedEntries = {"10.0.0.5"};
  arrTrustedEntries = {"192.168.1.0/24", "", "10.9.9.9"};  // the list ends at its first empty entry
  intTrustedZoneLevel = 2;
  intInternetZoneLevel = 3;
  AlertOn = true;
  ControlLevel = 1;
  DenyAccessOnAsk = true;
  DefaultAccessInternet = DefaultServerTrusted = DefaultServerInternet = 1;
  arrTCPTrustedMediumIn = {{8080, 8080}};
  arrTCPInternetHighOut = {{80, 80}, {0, 0}, {1000, 2000}};
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_EQ(ruleFile(), golden("medium_high_entries.conf"));
}

TEST_F(RuleFile, LockKeepsPassLockProgramsWhenTheLockEngagesThem) {
  arrBlockedEntries = {"10.0.0.5"};
  arrTrustedEntries = {"192.168.1.0/24"};
  intTrustedZoneLevel = 2;
  intInternetZoneLevel = 3;
  ControlLevel = 2;
  EngagesMode = true;
  addProgram("Browser", {"1.0", "0", "0", "1", "2", "0", "1", "/usr/bin/browser", "1", "1", "0", "0", "0", "1", "0"});
  addProgram("Mail", {"2.0", "0", "0", "0", "0", "0", "0", "/usr/bin/mail", "0", "", "0", "0", "0", "", "0"});
  addComponent("libssl.so(1)", "/usr/lib/libssl.so", "2");
  ASSERT_TRUE(AddRulesToINI(true, true));
  EXPECT_EQ(ruleFile(), golden("lock_passlock.conf"));
}

TEST_F(RuleFile, ProgramSectionsWithPresetsAndCustomPorts) {
  AlertOn = true;
  ControlLevel = 3;
  DefaultAccessTrusted = 0;
  DefaultAccessInternet = 1;
  DefaultServerTrusted = 2;
  DefaultServerInternet = 1;
  addProgram("Game", {"3.1", "0", "0", "3", "1", "0", "0", "/opt/game", "2", "5", "0", "0", "0", "5", "2"},
             {"Voice (UDP port 5000 )_1", "Chat (TCP and UDP port 6000-6010)_0"});
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_EQ(ruleFile(), golden("program_custom_ports.conf"));
}

// Programs with the same rights and ports get the same lines, each in its
// own sections; a program's rights written between two Applies reach the
// second one, and the other program keeps its lines.
TEST_F(RuleFile, ProgramsWithTheSameRightsGetTheSameLinesAndAChangeReachesTheNextApply) {
  arrTrustedEntries = {"10.1.1.1", "10.1.1.2"};
  AlertOn = true;
  ControlLevel = 2;
  const std::vector<std::string> game = {"3.1", "0", "0", "3", "1", "0", "0", "/opt/game",
                                         "2", "5", "0", "0", "0", "5", "2"};
  const std::vector<std::string> custom = {"Voice (UDP port 5000 )_1", "Chat (TCP and UDP port 6000-6010)_0"};
  addProgram("Game", game, custom);
  std::vector<std::string> second = game;
  second[7] = "/opt/second";
  addProgram("Second", second, custom);
  auto section = [](const std::string& file, const std::string& name) {
    size_t at = file.find("[" + name + "]\r\n");
    if (at == std::string::npos) return std::string("missing");
    at += name.size() + 4;
    return file.substr(at, file.find("\r\n[", at - 2) + 2 - at);  // "" for an empty section
  };
  ASSERT_TRUE(AddRulesToINI(false, true));
  std::string first = ruleFile();
  EXPECT_NE(section(first, "TrustedA2").find("004=DENY UDP OUT FROM ANY TO 10.1.1.1:5000 LOG T\r\n"),
            std::string::npos) << section(first, "TrustedA2");
  for (const char* s : {"TrustedA", "TrustedS", "InternetA", "InternetS"})
    EXPECT_EQ(section(first, s + std::string("2")), section(first, s + std::string("3"))) << s;

  ASSERT_TRUE(WriteINI("Second", "Column1", "1", strProgramControlFile, true));
  ASSERT_TRUE(AddRulesToINI(false, true));
  std::string next = ruleFile();
  EXPECT_EQ(section(next, "TrustedA3"),
            "000=DENY TCP OUT FROM ANY TO 10.1.1.1 LOG T\r\n001=DENY UDP OUT FROM ANY TO 10.1.1.1 LOG T\r\n"
            "002=DENY TCP OUT FROM ANY TO 10.1.1.2 LOG T\r\n003=DENY UDP OUT FROM ANY TO 10.1.1.2 LOG T\r\n");
  EXPECT_EQ(section(next, "TrustedA2"), section(first, "TrustedA2"));
  EXPECT_EQ(section(next, "InternetA3"), section(first, "InternetA3"));
}

TEST_F(RuleFile, StopAndExitTemplatesEndWithOneEmptyLine) {
  strRuleFile = RuleFilePath();
  ASSERT_TRUE(WriteRuleTemplate("BLOCKALL.CONF"));
  EXPECT_EQ(ruleFile(), golden("stop_template.conf"));
  ASSERT_TRUE(WriteRuleTemplate("DEFAULTRULE.CONF"));
  EXPECT_EQ(ruleFile(), golden("exit_template.conf"));
  EXPECT_EQ(ruleFile().find('\0'), std::string::npos);
}

TEST_F(RuleFile, ARuleFileThatCannotBeWrittenIsReportedAndFlagsRecover) {
  std::filesystem::remove_all(native("System32/drivers"));
  EXPECT_FALSE(AddRulesToINI(false, true));
  EXPECT_FALSE(blnApplying);
  EXPECT_TRUE(blnReadEvents);
  EXPECT_FALSE(blnForceLog);
  ASSERT_FALSE(messages.empty());
  // The file is named as the user finds it on disk.
  EXPECT_EQ(messages.back().prompt, "The rules could not be saved in " + native("System32/drivers/etc/mvd.conf") +
                                        ".\r\nThe engine keeps the rules it has.");
}

TEST_F(RuleFile, ARuleFileOfManyProgramsIsWrittenWhole) {
  ControlLevel = 2;
  const int programs = 80;
  for (int n = 1; n <= programs; ++n) {
    const std::string path = "/opt/app" + std::to_string(n);
    ASSERT_TRUE(WriteINISection("App" + std::to_string(n), NewProgramSection("1.0", {0, 1, 2, 0}, path),
                                strProgramControlFile, true));
  }
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_TRUE(messages.empty());
  const std::string f = ruleFile();
  EXPECT_NE(f.find("/opt/app80=LocalNet Blocked TrustedA81 TrustedS81 InternetA81 InternetS81\r\n"), std::string::npos);
  EXPECT_NE(f.find("[InternetS81]\r\n"), std::string::npos);
}

TEST_F(RuleFile, ProgramControlLowWritesNoProgramSections) {
  ControlLevel = 1;
  addProgram("Mail", {"2.0", "0", "0", "0", "0", "0", "0", "/usr/bin/mail", "0", "", "0", "0", "0", "", "0"});
  addComponent("libssl.so(1)", "/usr/lib/libssl.so", "2");
  ASSERT_TRUE(AddRulesToINI(false, true));
  std::string f = ruleFile();
  EXPECT_EQ(f.find("/usr/bin/mail"), std::string::npos);
  EXPECT_NE(f.find("[_ModuleList]\r\n[LocalNet]"), std::string::npos);
  EXPECT_EQ(f.find("TrustedA2"), std::string::npos);
}
