#pragma once
// A program folder with the default settings and the rule generator's inputs
// set to known values, and helpers to lay out programs and compare rule files.
#include <string>
#include <vector>

#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "rules/RuleInputs.h"
#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"
#include "tests/support/TestEnv.h"
#include "zones/ZoneLevels.h"

namespace mvtest {

// A golden file under the source folder: comment lines ("#") dropped, lines
// ended CR LF.
inline std::string goldenText(const std::string& relative) {
  std::string raw = slurp(std::string(MV_SOURCE_DIR) + "/" + relative);
  std::string out;
  size_t start = 0;
  while (start < raw.size()) {
    size_t nl = raw.find('\n', start);
    std::string line = raw.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    start = nl == std::string::npos ? raw.size() : nl + 1;
    if (!line.empty() && line[0] == '#') continue;
    out += line + "\r\n";
  }
  return out;
}

class RulesTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
    resetStoreGlobals();
    mv::ResetPortSettingGlobals();
    mv::blnStarted = false;
    mv::ResetRuleGlobals();
    mv::intTrustedZoneLevel = 1;
    mv::intInternetZoneLevel = 1;
    mv::DefaultAccessTrusted = mv::DefaultAccessInternet = mv::DefaultServerTrusted = mv::DefaultServerInternet = 2;
    // Custom rows: High arrays allow DNS, DHCP and broadcast; Medium arrays block incoming NetBIOS.
    mv::arrTrustedHighSettings = mv::arrInternetHighSettings = rows(13, {0, 1, 2});
    mv::arrTrustedMediumSettings = mv::arrInternetMediumSettings = rows(12, {0});
  }

  static std::vector<mv::PortSettingRec> rows(size_t n, std::vector<size_t> ticked) {
    std::vector<mv::PortSettingRec> r(n);
    for (size_t i = 0; i < n; ++i) r[i].Position = static_cast<std::uint8_t>(i);
    for (size_t t : ticked) r[t].Enabled = 1;
    return r;
  }

  // Writes a program section with its fifteen keys in their fixed order.
  void addProgram(const std::string& name, const std::vector<std::string>& fifteen,
                  const std::vector<std::string>& custom = {}) const {
    static const char* keys[] = {"Version", "Column1", "Column2", "Column3", "Column4", "Column5",
                                 "Column6", "Path", "AllowAccess", "Ports", "ICMP_Protocol", "IGMP_Protocol",
                                 "Authenticate", "CheckedPorts", "NoCustomizePorts"};
    for (size_t i = 0; i < 15; ++i) EXPECT_TRUE(mv::WriteINI(name, keys[i], fifteen.at(i), mv::strProgramControlFile, true));
    for (size_t i = 0; i < custom.size(); ++i)
      EXPECT_TRUE(mv::WriteINI(name, "Custom_" + std::to_string(i + 1), custom[i], mv::strProgramControlFile, true));
  }

  void addComponent(const std::string& section, const std::string& path, const std::string& access) const {
    EXPECT_TRUE(mv::WriteINI(section, "Path", path, mv::strComponentsFile, true));
    EXPECT_TRUE(mv::WriteINI(section, "Description", "component", mv::strComponentsFile, true));
    EXPECT_TRUE(mv::WriteINI(section, "AccessType", access, mv::strComponentsFile, true));
  }

  std::string ruleFile() const { return readText("System32/drivers/etc/mvd.conf"); }

  static std::string golden(const std::string& name) { return goldenText("tests/rules/golden/" + name); }
};

}  // namespace mvtest
