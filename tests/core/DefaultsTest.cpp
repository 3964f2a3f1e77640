#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/PrivateProfile.h"
#include "resources/builtin.h"
#include "tests/support/TestEnv.h"

using namespace mv;

class Defaults : public mvtest::ProgramFolderTest {};

TEST_F(Defaults, EverySettingsFileAndTemplateIsBuiltIn) {
  for (const auto& name : varSettingsFiles) {
    auto bytes = LoadBuiltinResource(name);
    ASSERT_TRUE(bytes.has_value()) << name;
    EXPECT_EQ(bytes->back(), '\0') << name;
  }
  // Resource names are matched without regard to case.
  auto rules = LoadBuiltinResource("BlockAll.CONF");
  ASSERT_TRUE(rules.has_value());
  EXPECT_EQ(rules->substr(0, 15), "[_Certificate]\r");
  EXPECT_EQ(rules->substr(rules->size() - 3), std::string("\r\n\0", 3));
  EXPECT_FALSE(LoadBuiltinResource("NoSuch.MVL").has_value());
}

TEST_F(Defaults, MissingFilesAreRecreatedOthersLeftAlone) {
  // A sound file of the user's, with a section of its own, stays as it is.
  const std::string mine = BuiltinDefaultText("ProgramMain.MVL") + "\r\n[Mine]\r\nmine=1\r\n";
  writeText("Profiles/ProgramMain.MVL", mine);
  EXPECT_TRUE(checkIsMorvantisCorrupted());
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), mine);
  std::string mvdb = readText("Profiles/MVDB.MVL");
  EXPECT_EQ(mvdb.substr(mvdb.size() - 2), "\r\n");
  EXPECT_EQ(mvdb.find('\0'), std::string::npos);
  EXPECT_NE(mvdb.find("\r\n[ZoneMaster]\r\n"), std::string::npos);
  EXPECT_FALSE(checkIsMorvantisCorrupted());
}

TEST_F(Defaults, MasterFileHoldsEveryMapAndCounter) {
  installDefaults();
  auto data = platform::profileRead(MasterFile());
  std::vector<std::string> order;
  for (const auto& s : data->sections()) order.push_back(s.name);
  const std::vector<std::string> expected = {
      "ZoneMaster", "IPTypeMaster", "LevelMaster", "SelectedLevel", "Database_MaxLineNo", "Database_LastLineNo",
      "Database_PortSetting", "Database_IPSetting", "Database_IPRangeSetting", "Database_IPAddress",
      "Database_HostSetting", "Database_SubnetSetting", "Database_TCPPorts", "Database_UDPPorts"};
  EXPECT_EQ(order, expected);

  const std::vector<std::pair<long, std::vector<std::string>>> maps = {
      {Database_PortSetting, {"Zone", "Level", "Section", "Enabled", "Description"}},
      {Database_IPSetting, {"IP", "Name", "Description", "Zone", "ID"}},
      {Database_IPRangeSetting, {"IPFrom", "IPTo", "Name", "Description", "Zone", "ID"}},
      {Database_IPAddress, {"IPType", "Zone", "IPAddressFrom", "IPAddressTo", "ID"}},
      {Database_HostSetting, {"HostName", "Name", "Description", "Zone", "ID"}},
      {Database_SubnetSetting, {"IP", "SubnetMask", "Name", "Description", "Zone", "ActiveNetwork", "ID"}},
      {Database_TCPPorts, {"Zone", "Level", "PortType", "PortFrom", "PortTo", "ID"}},
      {Database_UDPPorts, {"Zone", "Level", "PortType", "PortFrom", "PortTo", "ID"}}};
  for (const auto& [table, columns] : maps) {
    std::vector<std::string> keys;
    GetINISectionKeys(keys, varTableNames[static_cast<size_t>(table)], MasterFile());
    ASSERT_EQ(keys.size(), columns.size() + 1) << varTableNames[static_cast<size_t>(table)];
    for (size_t i = 0; i < columns.size(); ++i) {
      EXPECT_EQ(keys[i + 1], columns[i]);
      EXPECT_EQ(getColumnIndex(table, columns[i]), std::to_string(i + 1));
    }
    // Every counter is present and numeric.
    std::string counter = ReadINI("Database_LastLineNo", varTableNames[static_cast<size_t>(table)], "", MasterFile(), true);
    EXPECT_EQ(counter.size(), 4u);
  }
  EXPECT_EQ(ReadINI("Database_LastLineNo", "LastRowIndex", "", MasterFile(), true).size(), 6u);
  EXPECT_EQ(GetMasterValue(ZoneMaster, "TRUSTED", ""), "2");
  EXPECT_EQ(GetMasterValue(IPTypeMaster, "NETWORK", ""), "5");
  int internet = static_cast<int>(Val(GetMasterValue(SelectedLevel, "3", "")));
  int trusted = static_cast<int>(Val(GetMasterValue(SelectedLevel, "2", "")));
  EXPECT_GE(trusted, 1);
  EXPECT_LE(trusted, internet);
  EXPECT_LE(internet, 3);
}

TEST_F(Defaults, EveryKeyTheProgramReadsHasAValue) {
  installDefaults();
  std::ifstream list(std::string(MV_SOURCE_DIR) + "/tests/fixtures/default_keys.txt");
  ASSERT_TRUE(list.good());
  // Keys whose shipped value is empty on purpose: the archive dates and file
  // names are written on first use, and no port list ships with the defaults.
  auto mayBeEmpty = [](const std::string& file, const std::string& key) {
    return (file == "AlertsAndLogSetting.MVL" && key.rfind("Last", 0) == 0 && key != "LastAlerts" &&
            key != "LastLogLineNo") ||
           (file == "Database_PortSetting.MVL" && key == "5");
  };
  std::string line;
  int checked = 0;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#') continue;
    auto parts = Split(line, "|");
    ASSERT_EQ(parts.size(), 3u) << line;
    std::string file = strProfilePath + parts[0];
    EXPECT_TRUE(platform::profileGetString(parts[1], parts[2], file).has_value()) << line;
    if (!mayBeEmpty(parts[0], parts[2])) {
      EXPECT_NE(ReadINI(parts[1], parts[2], "", file, true), "") << line;
    }
    ++checked;
  }
  EXPECT_GT(checked, 300);
}

TEST_F(Defaults, PortSettingRowsCoverBothZonesAndLevels) {
  installDefaults();
  const struct { const char* where; long rows; } levels[] = {
      {"Zone=2 && Level=3", 13}, {"Zone=2 && Level=2", 12}, {"Zone=3 && Level=3", 13}, {"Zone=3 && Level=2", 12}};
  for (const auto& l : levels) {
    Read_TableData(Database_PortSetting, "Enabled,Description", l.where);
    EXPECT_EQ(arrQueryResult[0].Count, l.rows) << l.where;
  }
  Read_TableData(Database_PortSetting, "*", "");
  EXPECT_EQ(arrQueryResult[0].Count, 50);
  EXPECT_EQ(getNextLineNo(Database_PortSetting), "0051");
}
