// The custom rows of the security levels in memory and the port-list text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/VBRuntime.h"
#include "core/mdlMorvantisDatabase.h"
#include "tests/support/TestEnv.h"
#include "zones/mdlMain.h"

namespace mvtest {
namespace {

using mv::PortRangePair;
using mv::PortSettingRec;

std::string pairs(const std::vector<PortRangePair>& list) {
  std::string s;
  for (const auto& p : list) s += "(" + std::to_string(p.From) + ", " + std::to_string(p.To) + ")";
  return s;
}

std::vector<int> enabled(const std::vector<PortSettingRec>& rows) {
  std::vector<int> out;
  for (const auto& r : rows) out.push_back(r.Enabled);
  return out;
}

class PortSettings : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
    mv::ResetPortSettingGlobals();
  }
  void TearDown() override {
    mv::ResetPortSettingGlobals();
    ProgramFolderTest::TearDown();
  }
  static void setColumn(const std::string& row, const std::string& column, const std::string& value) {
    EXPECT_TRUE(mv::WriteColumnValue(mv::Database_PortSetting, row, column, value));
  }
  static void checkPositions(const std::vector<PortSettingRec>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].Position, i);
      EXPECT_EQ(rows[i].Description, i >= 8 ? "(none selected)" : "") << "row " << i;
    }
  }
};

TEST_F(PortSettings, ShippedTableFillsTheFourArraysInFull) {
  mv::Init_Read_PortSetting();
  ASSERT_EQ(mv::arrTrustedHighSettings.size(), 13u);
  ASSERT_EQ(mv::arrTrustedMediumSettings.size(), 12u);
  ASSERT_EQ(mv::arrInternetHighSettings.size(), 13u);
  ASSERT_EQ(mv::arrInternetMediumSettings.size(), 12u);
  // The shipped switches: DNS, DHCP and broadcast allowed on High, incoming
  // NetBIOS blocked on Internet Medium.
  EXPECT_EQ(enabled(mv::arrTrustedHighSettings), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(enabled(mv::arrInternetHighSettings), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(enabled(mv::arrInternetMediumSettings), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(enabled(mv::arrTrustedMediumSettings), std::vector<int>(12, 0));
  checkPositions(mv::arrTrustedHighSettings);
  checkPositions(mv::arrInternetMediumSettings);
}

TEST_F(PortSettings, StoredPortListAndSwitchesReachTheirRows) {
  setColumn("0049", "Description", "80, 100-200");  // Internet High, incoming TCP
  setColumn("0049", "Enabled", "1");
  setColumn("0012", "Description", "8080");  // Trusted Medium, outgoing TCP
  setColumn("0026", "Enabled", "0");
  mv::Init_Read_PortSetting();
  EXPECT_EQ(mv::arrInternetHighSettings[11].Description, "80, 100-200");
  EXPECT_EQ(mv::arrInternetHighSettings[11].Enabled, 1);
  EXPECT_EQ(mv::arrTrustedMediumSettings[11].Description, "8080");
  EXPECT_EQ(mv::arrInternetMediumSettings[0].Enabled, 0);
  EXPECT_EQ(mv::arrInternetHighSettings[12].Description, "(none selected)");
}

TEST_F(PortSettings, ValueThatIsNoNumberCountsOffAndLoadingGoesOn) {
  setColumn("0013", "Enabled", "yes");   // Trusted High, first row
  setColumn("0014", "Enabled", "1e999");  // too large to read
  mv::Init_Read_PortSetting();
  EXPECT_EQ(enabled(mv::arrTrustedHighSettings), (std::vector<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(mv::arrInternetHighSettings[0].Enabled, 1);
  EXPECT_EQ(mv::arrInternetMediumSettings.size(), 12u);
  EXPECT_EQ(readText("Err.log"), "");
}

TEST_F(PortSettings, ARowWhoseZoneOrLevelDoesNotFitItsSectionKeepsItsOwnPlace) {
  mv::Init_Read_PortSetting();
  const auto before = std::vector<std::vector<int>>{
      enabled(mv::arrTrustedMediumSettings), enabled(mv::arrTrustedHighSettings),
      enabled(mv::arrInternetMediumSettings), enabled(mv::arrInternetHighSettings)};
  setColumn("0026", "Zone", "9");   // Internet Medium's first row: incoming NetBIOS blocked
  setColumn("0040", "Level", "2");  // an Internet High row that claims Medium
  mv::Init_Read_PortSetting();
  EXPECT_EQ(enabled(mv::arrTrustedMediumSettings), before[0]);
  EXPECT_EQ(enabled(mv::arrTrustedHighSettings), before[1]);
  EXPECT_EQ(enabled(mv::arrInternetMediumSettings), before[2]);
  EXPECT_EQ(enabled(mv::arrInternetHighSettings), before[3]);
  ASSERT_EQ(mv::arrInternetMediumSettings.size(), 12u);
  EXPECT_EQ(mv::arrInternetMediumSettings[0].Enabled, 1);
  checkPositions(mv::arrInternetMediumSettings);
  checkPositions(mv::arrInternetHighSettings);
  EXPECT_NE(readText("Err.log").find("Row 0026 holds Zone 9, Level 2"), std::string::npos);
}

TEST_F(PortSettings, ARowSectionThatStandsTwiceIsReadAsTheStoreWritesIt) {
  // A second [0026] (Internet Medium's first row), saying off, at the end of
  // the file; the change stored afterwards goes to the first one.
  const std::string file = "Profiles/Database_PortSetting.MVL";
  setColumn("0026", "Enabled", "0");
  std::string text = readText(file);
  const size_t at = text.find("[0026]");
  const std::string off = text.substr(at, text.find('[', at + 1) - at);
  setColumn("0026", "Enabled", "1");
  writeText(file, readText(file) + off);
  mv::Init_Read_PortSetting();
  EXPECT_EQ(mv::arrInternetMediumSettings[0].Enabled, 1);
  EXPECT_NE(readText("Err.log").find("Row 0026 stands twice"), std::string::npos);
}

TEST_F(PortSettings, MissingRowsStillGiveFullArrays) {
  for (int row = 20; row <= 25; ++row) EXPECT_TRUE(mv::DeleteRowSection(mv::Database_PortSetting, "00" + std::to_string(row)));
  for (int row = 1; row <= 12; ++row) EXPECT_TRUE(mv::DeleteRowSection(mv::Database_PortSetting, mv::FormatNumber(row, "0000")));
  mv::Init_Read_PortSetting();
  ASSERT_EQ(mv::arrTrustedHighSettings.size(), 13u);
  EXPECT_EQ(enabled(mv::arrTrustedHighSettings), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  checkPositions(mv::arrTrustedHighSettings);
  ASSERT_EQ(mv::arrTrustedMediumSettings.size(), 12u);
  checkPositions(mv::arrTrustedMediumSettings);
  EXPECT_EQ(enabled(mv::arrTrustedMediumSettings), std::vector<int>(12, 0));
}

// ---------------------------------------------------------------------------
// Port-list text.

TEST(PortList, ParseExamples) {
  EXPECT_EQ(pairs(mv::ParsePortList("123456")), "(12345, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("70000")), "(70000, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("80-70000")), "(80, 70000)");
  EXPECT_EQ(pairs(mv::ParsePortList("80-")), "(80, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("2000-1000")), "(2000, 1000)");
  EXPECT_EQ(pairs(mv::ParsePortList("")), "(0, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("80,")), "(80, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("21,80")), "(21, 0)(80, 0)");
}

TEST(PortList, ParseIgnoresBlanksAndZeroesWhatIsNoNumber) {
  EXPECT_EQ(pairs(mv::ParsePortList(" 80 , 1000 - 2000 ,443")), "(80, 0)(1000, 2000)(443, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("80,,90")), "(80, 0)(0, 0)(90, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("http,5-6-7,x-9,9-y")), "(0, 0)(5, 0)(0, 9)(9, 0)");
  EXPECT_EQ(pairs(mv::ParsePortList("80-123456")), "(80, 12345)");
  EXPECT_EQ(pairs(mv::ParsePortList("99999999999999")), "(99999, 0)");
}

TEST(PortList, DisplayExamples) {
  EXPECT_EQ(mv::CheckDisplay("80,21"), "80, 21");
  EXPECT_EQ(mv::CheckDisplay("2000-1000"), "1000-2000");
  EXPECT_EQ(mv::CheckDisplay("80, 1-70000"), "80");
  EXPECT_EQ(mv::CheckDisplay("80,,90"), "80, 0, 90");
  EXPECT_EQ(mv::CheckDisplay("0-5, 21"), "0-5, 21");
  EXPECT_EQ(mv::CheckDisplay(""), "");
  EXPECT_EQ(mv::CheckDisplay("80"), "80");
  EXPECT_EQ(mv::CheckDisplay("90-80"), "80-90");
  EXPECT_EQ(mv::CheckDisplay("1-99999"), "");
  EXPECT_EQ(mv::CheckDisplay("80,100-200"), "80, 100-200");
}

TEST(PortList, DisplayNeverShowsAPortAboveTheHighest) {
  EXPECT_EQ(mv::CheckDisplay("70000"), "");
  EXPECT_EQ(mv::CheckDisplay("21, 70000, 25"), "21, 25");
  EXPECT_EQ(mv::CheckDisplay("70000-80"), "");
  EXPECT_EQ(mv::CheckDisplay("65535, 1-65535"), "65535, 1-65535");
  // The display text parses back to the same pairs it shows.
  std::string shown = mv::CheckDisplay("443 , 9000-8000,123456");
  EXPECT_EQ(shown, "443, 8000-9000, 12345");
  EXPECT_EQ(mv::CheckDisplay(shown), shown);
}

}  // namespace
}  // namespace mvtest
