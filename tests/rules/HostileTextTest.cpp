// Stored text that would write rules of its own: paths with line breaks, NUL
// and other structure in the program and component stores, addresses with
// blanks, program sections with keys moved or missing, custom ports that are
// no ports; each is kept out of mvd.conf and the others keep their rules.
#include <gtest/gtest.h>

#include "core/mdlFileProperty.h"
#include "platform/PrivateProfile.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"
#include "rules/RuleFileText.h"
#include "rules/RuleText.h"
#include "tests/rules/RulesFixture.h"

using namespace mv;

namespace {
// A path that, written as it stands, would add a section with a rule that
// lets everything in.
const std::string Injected = "C:\\Evil.exe=x\r\n[LocalNet]\r\n000=ALLOW IP IN FROM ANY TO ANY NOLOG\r\nC:\\y";

std::vector<std::string> rights(const std::string& path) {
  return {"1.0", "0", "0", "0", "0", "0", "0", path, "0", "", "0", "0", "0", "", "0"};
}

std::vector<std::string> options(const std::string& path, const std::string& customCount = "0") {
  return {"1.0", "0", "0", "0", "0", "0", "0", path, "1", "", "0", "0", "0", "", customCount};
}

// The text of one section of a rule file, its header left out.
std::string section(const std::string& file, const std::string& name) {
  const std::string header = "[" + name + "]\r\n";
  size_t at = file.find(header);
  if (at == std::string::npos) return "<missing>";
  at += header.size();
  size_t end = file.find("\r\n[", at - 2);
  return file.substr(at, end == std::string::npos ? std::string::npos : end + 2 - at);
}

// The program keys of [_ProgramList], the two default keys left out.
std::vector<std::string> programKeys(const std::string& file) {
  std::vector<std::string> keys;
  for (const auto& line : Split(section(file, "_ProgramList"), "\r\n"))
    if (!line.empty() && line[0] != '_') keys.push_back(line);
  return keys;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
}  // namespace

class HostileText : public mvtest::RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    ControlLevel = 2;
  }
  std::string written() {
    EXPECT_TRUE(AddRulesToINI(false, true));
    return ruleFile();
  }
  // The four sections of program number n, joined.
  static std::string programSections(const std::string& file, int n) {
    const std::string k = std::to_string(n);
    return section(file, "TrustedA" + k) + section(file, "TrustedS" + k) + section(file, "InternetA" + k) +
           section(file, "InternetS" + k);
  }
  // Every line of the file is a section header or a key line of its own.
  static void expectOnlySoundLines(const std::string& file) {
    size_t start = 0;
    while (start < file.size()) {
      size_t end = file.find("\r\n", start);
      ASSERT_NE(end, std::string::npos) << "a line without CR LF";
      std::string line = file.substr(start, end - start);
      start = end + 2;
      EXPECT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << line;
      EXPECT_TRUE(line.front() == '[' || line.find('=') != std::string::npos) << line;
    }
  }
};

TEST_F(HostileText, APathWithLineBreaksInProgramControlNeverReachesTheRuleFile) {
  addProgram("First", rights("C:\\First.exe"));
  addProgram("Evil", rights(Injected));
  addProgram("NulInside", rights(std::string("C:\\a\0b.exe", 10)));
  addProgram("Equals", rights("C:\\a=b.exe"));
  addProgram("Last", rights("C:\\Last.exe"));
  const std::string file = written();
  expectOnlySoundLines(file);
  EXPECT_EQ(count(file, "[LocalNet]"), 1u);
  EXPECT_EQ(file.find("ALLOW IP IN FROM ANY TO ANY NOLOG"), std::string::npos);
  EXPECT_EQ(file.find("Evil"), std::string::npos) << file;
  // The sound programs keep their keys and sections, numbered in list order.
  EXPECT_NE(file.find("C:\\First.exe=LocalNet Blocked TrustedA2 TrustedS2 InternetA2 InternetS2\r\n"),
            std::string::npos);
  EXPECT_NE(file.find("C:\\Last.exe=LocalNet Blocked TrustedA3 TrustedS3 InternetA3 InternetS3\r\n"),
            std::string::npos);
  EXPECT_NE(file.find("[InternetA3]\r\n000=ALLOW TCP OUT FROM ANY TO ANY"), std::string::npos);
  const std::string log = readText("Err.log");
  EXPECT_EQ(count(log, "LoadProgramControlRules of Module mdlDefineRules: Path refused"), 3u);
  EXPECT_NE(log.find("holds a control character): C:\\Evil.exe=x<0D><0A>[LocalNet]"), std::string::npos);
}

TEST_F(HostileText, APathWithLineBreaksInComponentsNeverReachesTheRuleFile) {
  addComponent("GOOD.DLL", "C:\\Good.dll", "2");
  addComponent("EVIL.DLL", Injected, "0");
  addComponent("TAB.DLL", "C:\\a\tb.dll", "0");
  addComponent("OTHER.DLL", "C:\\Other.dll", "1");
  const std::string file = written();
  expectOnlySoundLines(file);
  EXPECT_EQ(count(file, "[LocalNet]"), 1u);
  EXPECT_NE(file.find("[_ModuleList]\r\nC:\\Good.dll=2\r\nC:\\Other.dll=1\r\n"), std::string::npos);
  EXPECT_EQ(count(readText("Err.log"), "LoadComponentsFromINI of Module mdlComponentControl"), 2u);
}

TEST_F(HostileText, ListsInMemoryAreCheckedAgainWhereTheFileIsWritten) {
  // During a restart the lists in memory are used as they are.
  blnRestartingService = true;
  auto program = [](const std::string& path) {
    auto p = std::make_shared<clsProgramList>();
    p->Path = path;
    p->AccessInternet = "Allow";
    return p;
  };
  colProgramList.Add(program("C:\\One.exe"), "c:\\one.exe");
  colProgramList.Add(program("C:\\Bad\n[X]"), "c:\\bad\n[x]");
  colProgramList.Add(program("C:\\Three.exe"), "c:\\three.exe");
  auto component = std::make_shared<clsComponentList>();
  component->Path = "C:\\m\r\n000=ALLOW";
  colComponentList.Add(component, "bad");
  const std::string file = written();
  expectOnlySoundLines(file);
  EXPECT_NE(file.find("C:\\One.exe=LocalNet Blocked TrustedA2"), std::string::npos);
  EXPECT_NE(file.find("C:\\Three.exe=LocalNet Blocked TrustedA4"), std::string::npos);
  EXPECT_EQ(file.find("[X]"), std::string::npos);
  EXPECT_EQ(file.find("TrustedA3"), std::string::npos);
  EXPECT_NE(file.find("[_ModuleList]\r\n[LocalNet]"), std::string::npos);
  const std::string log = readText("Err.log");
  EXPECT_NE(log.find("AddProgramControlRules of Module mdlDefineRules: Text refused for the rule file"), std::string::npos);
  EXPECT_NE(log.find("AddComponentControlRules of Module mdlDefineRules: Text refused"), std::string::npos);
}

TEST_F(HostileText, AnAddressWithBlanksOrBreaksWritesNoRule) {
  arrBlockedEntries = {"10.0.0.1 TO ANY", "10.0.0.2\r\n[Trusted]", "10.0.0.3"};
  const std::string file = written();
  expectOnlySoundLines(file);
  // Only the sound address has its four rules, numbered from 000.
  EXPECT_NE(file.find("[Blocked]\r\n000=DENY TCP IN FROM 10.0.0.3 TO ANY"), std::string::npos);
  EXPECT_NE(file.find("003=DENY UDP OUT FROM ANY TO 10.0.0.3"), std::string::npos);
  EXPECT_EQ(file.find("10.0.0.1"), std::string::npos);
  EXPECT_EQ(count(file, "[Trusted]"), 1u);
  EXPECT_EQ(count(readText("Err.log"), "getRule of Module mdlDefineRules: Text refused for a rule"), 8u);
}

TEST_F(HostileText, TheStoresRefuseSuchPathsWhereTheyEnter) {
  mvtest::resetStoreGlobals();
  ControlLevel = 3;
  const std::string before = readText("Profiles/Components.MVL");
  AddComponentToINI("C:\\x.dll\r\n[LocalNet]", AccessAllow);
  EXPECT_EQ(readText("Profiles/Components.MVL"), before);
  EXPECT_EQ(colComponentList.Count(), 0);
  tblFileInfo = FileInfoRec{};
  tblFileInfo.FullPath = "C:\\y.exe\n000=ALLOW";
  const std::string programs = readText("Profiles/ProgramControl.MVL");
  AddProgramControlToINI("y.exe", 0, 0, 0, 0);
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), programs);
  EXPECT_EQ(colProgramList.Count(), 0);
  EXPECT_EQ(count(readText("Err.log"), "Path refused (holds a control character)"), 2u);
}

TEST(RuleText, EachPartRefusesWhatWouldBeStructure) {
  EXPECT_EQ(RuleTextProblem("C:\\Program Files\\a.exe", RulePart::Key), "");
  EXPECT_EQ(RuleTextProblem("/opt/ünï/b", RulePart::Key), "");
  EXPECT_EQ(RuleTextProblem("a\x7f", RulePart::Value), "holds a control character");
  EXPECT_EQ(RuleTextProblem(std::string("a\0", 2), RulePart::Word), "holds a control character");
  EXPECT_EQ(RuleTextProblem("a=b", RulePart::Key), "holds \"=\"");
  EXPECT_EQ(RuleTextProblem("a=b", RulePart::Value), "");
  EXPECT_EQ(RuleTextProblem("[x", RulePart::Key), "starts like a section or a comment");
  EXPECT_EQ(RuleTextProblem(";x", RulePart::Key), "starts like a section or a comment");
  EXPECT_EQ(RuleTextProblem(" x", RulePart::Key), "starts or ends with a blank");
  EXPECT_EQ(RuleTextProblem("a]b", RulePart::Section), "holds a bracket");
  EXPECT_EQ(RuleTextProblem("1.2.3.4 TO", RulePart::Word), "holds a blank");
  EXPECT_EQ(PrintableText("a\r\nb\x7f"), "a<0D><0A>b<7F>");

  RuleFileText doc;
  doc.header("S");
  EXPECT_THROW(doc.print("k\n", "v"), RuntimeError);
  EXPECT_THROW(doc.writeKey("S", "k", "v\r"), RuntimeError);
  EXPECT_THROW(doc.emptySection("T]"), RuntimeError);
  doc.print("k", "v");
  EXPECT_EQ(doc.text(), "[S]\r\nk=v\r\n");
}

TEST_F(HostileText, AProgramSectionIsReadByItsKeyNames) {
  addProgram("Ordered", options("/usr/bin/ordered", "1"), {"Web (TCP port 8080 )_1"});
  // The same options with the Version key moved to the end of its section.
  addProgram("Moved", options("/usr/bin/moved", "1"), {"Web (TCP port 8080 )_1"});
  ASSERT_TRUE(platform::profileDeleteKey("Moved", "Version", strProgramControlFile));
  ASSERT_TRUE(WriteINI("Moved", "Version", "1.0", strProgramControlFile, true));
  const std::string file = written();
  EXPECT_EQ(programKeys(file),
            (std::vector<std::string>{"/usr/bin/ordered=LocalNet Blocked TrustedA2 TrustedS2 InternetA2 InternetS2",
                                      "/usr/bin/moved=LocalNet Blocked TrustedA3 TrustedS3 InternetA3 InternetS3"}));
  EXPECT_NE(section(file, "InternetA3").find("ANY:8080"), std::string::npos);
  EXPECT_EQ(programSections(file, 3), programSections(file, 2));
}

TEST_F(HostileText, AProgramSectionWithoutOneOfItsKeysGivesNoProgram) {
  addProgram("First", options("/usr/bin/first"));
  addProgram("Broken", options("/usr/bin/broken", "1"), {"Web (TCP port 8080 )_1"});
  ASSERT_TRUE(platform::profileDeleteKey("Broken", "Version", strProgramControlFile));
  addProgram("Last", options("/usr/bin/last"));
  const std::string file = written();
  EXPECT_EQ(programKeys(file),
            (std::vector<std::string>{"/usr/bin/first=LocalNet Blocked TrustedA2 TrustedS2 InternetA2 InternetS2",
                                      "/usr/bin/last=LocalNet Blocked TrustedA3 TrustedS3 InternetA3 InternetS3"}));
  EXPECT_EQ(programSections(file, 3), programSections(file, 2));
  EXPECT_NE(readText("Err.log").find("Key Version is missing in [Broken]"), std::string::npos);
}

TEST_F(HostileText, AComponentSectionIsReadByItsKeyNames) {
  addComponent("ORDERED.SO", "/usr/lib/ordered.so", "1");
  // Keys sorted by name, and turned round: each keeps its right.
  ASSERT_TRUE(WriteINISection("SORTED.SO",
                              {{"AccessType", "1"}, {"Description", "sorted"}, {"Path", "/usr/lib/sorted.so"}},
                              strComponentsFile, true));
  ASSERT_TRUE(WriteINISection("TURNED.SO",
                              {{"Description", "turned"}, {"AccessType", "2"}, {"Path", "/usr/lib/turned.so"}},
                              strComponentsFile, true));
  // A section without its right gives no component.
  ASSERT_TRUE(WriteINISection("NORIGHT.SO", {{"Path", "/usr/lib/noright.so"}, {"Description", "no right"}},
                              strComponentsFile, true));
  const std::string file = written();
  EXPECT_EQ(section(file, "_ModuleList"), "/usr/lib/ordered.so=1\r\n/usr/lib/sorted.so=1\r\n/usr/lib/turned.so=2\r\n");
  EXPECT_NE(readText("Err.log").find("Key AccessType is missing in [NORIGHT.SO]"), std::string::npos);
}

TEST_F(HostileText, ACustomPortThatIsNoPortGivesNoRuleAndIsLogged) {
  // Only the checked ports are allowed: the sound entry's port, then the
  // denial of everything else.
  addProgram("Reference", options("/usr/bin/reference", "1"), {"Mail (TCP port 443 )_1"});
  const std::vector<std::string> notPorts = {"0", "abc", "99999", "70.0", "5000-80", "1-2-3"};
  for (size_t i = 0; i < notPorts.size(); ++i)
    addProgram("P" + std::to_string(i), options("/usr/bin/p" + std::to_string(i), "2"),
               {"Bad (TCP port " + notPorts[i] + " )_1", "Mail (TCP port 443 )_1"});
  const std::string file = written();
  ASSERT_NE(section(file, "InternetA2").find("ANY:443"), std::string::npos);
  for (size_t i = 0; i < notPorts.size(); ++i) {
    SCOPED_TRACE(notPorts[i]);
    EXPECT_EQ(programSections(file, static_cast<int>(i) + 3), programSections(file, 2));
  }
  EXPECT_EQ(count(readText("Err.log"), "Port refused"), notPorts.size());
}
