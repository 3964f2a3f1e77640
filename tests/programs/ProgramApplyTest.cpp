// Changes made on the program-control page reach the rule file at the next
// Apply: the program list, the module list and the program sections.
#include <gtest/gtest.h>

#include <QSlider>

#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"
#include "tests/programs/ProgramPageFixture.h"
#include "zones/ZoneLevels.h"
#include "zones/mdlMain.h"

namespace mvtest {
namespace {

class PageApply : public ProgramPageTest {
 protected:
  void SetUp() override {
    ProgramPageTest::SetUp();
    mv::ResetPortSettingGlobals();
    mv::ResetRuleGlobals();
    mv::intTrustedZoneLevel = mv::intInternetZoneLevel = 1;
    mv::arrTrustedHighSettings = mv::arrInternetHighSettings = rows(13);
    mv::arrTrustedMediumSettings = mv::arrInternetMediumSettings = rows(12);
    mv::arrTrustedEntries = {"192.168.1.0/24"};
    mv::AlertOn = true;
  }
  static std::vector<mv::PortSettingRec> rows(size_t n) {
    std::vector<mv::PortSettingRec> r(n);
    for (size_t i = 0; i < n; ++i) r[i].Position = static_cast<std::uint8_t>(i);
    return r;
  }

  // The program and module lists and the program sections of the rule file.
  std::string programPart() const {
    const std::string file = readText("System32/drivers/etc/mvd.conf");
    auto between = [&](const std::string& from, const std::string& to) {
      const auto a = file.find(from);
      const auto b = file.find(to, a == std::string::npos ? 0 : a);
      return a == std::string::npos || b == std::string::npos ? std::string("<missing " + from + ">")
                                                               : file.substr(a, b - a);
    };
    std::string part = between("[_ProgramList]\r\n", "[LocalNet]\r\n") + between("[TrustedA0]\r\n", "[IPT]\r\n");
    // The programs lie in the test's own folder.
    for (auto at = part.find(folder); at != std::string::npos; at = part.find(folder)) part.replace(at, folder.size(), "<folder>");
    return part;
  }
  static std::string golden(const std::string& name) {
    std::string raw = slurp(std::string(MV_SOURCE_DIR) + "/tests/programs/golden/" + name);
    std::string out;
    std::size_t start = 0;
    while (start < raw.size()) {
      std::size_t nl = raw.find('\n', start);
      std::string line = raw.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
      start = nl == std::string::npos ? raw.size() : nl + 1;
      if (!line.empty() && line[0] != '#') out += line + "\r\n";
    }
    return out;
  }
  // The open dialog answers a program file under the test's folder.
  void add(const std::string& relative) {
    writeText(relative, "MZ");
    chooseFile(native(relative));
    page->cmdProgramControlProgramAdd->click();
  }
};

TEST_F(PageApply, TheNextApplyWritesWhatThePageChanged) {
  loadPage();
  add("Apps/Browser.exe");
  add("Apps/Mail.exe");
  select(page->lvwPrograms, row(page->lvwPrograms, "Browser.exe"));
  choose("mnuAccessInternetAllow");
  select(page->lvwPrograms, row(page->lvwPrograms, "Mail.exe"));
  choose("mnuServerTrustedBlock");
  choose("mnuProgramLockPassLock");
  mv::AddComponentToINI("C:\\Apps\\libnet.dll", mv::AccessAsk);
  select(page->lvwComponents, row(page->lvwComponents, "libnet.dll"));
  choose("mnuComponentAccessAllow");
  page->sldProgramControlSecurity->setValue(3);

  ASSERT_TRUE(mv::AddRulesToINI(false, true));
  EXPECT_EQ(programPart(), golden("page_changes.conf"));
  // The rule writer reloaded the lists from what the page stored.
  EXPECT_EQ(mv::colProgramList.Item(mv::LCase(native("Apps/Mail.exe")))->LockState, "PassLock");
  EXPECT_EQ(mv::colComponentList.Item("c:\\apps\\libnet.dll")->AccessType, mv::AccessAllow);
}

}  // namespace
}  // namespace mvtest
