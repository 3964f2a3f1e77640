// The custom rows as the editor shows them and their storage in the
// port-setting table, the port tables and the in-memory arrays.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/mdINIBas.h"
#include "core/mdlMorvantisDatabase.h"
#include "tests/zones/ZoneTestSupport.h"
#include "zones/mdlCustomSettings.h"
#include "zones/mdlMain.h"

using namespace mv;
using mvtest::TableRow;
using Rows = std::vector<TableRow>;

namespace {

class CustomSettings : public mvtest::ZoneTablesTest {
 protected:
  void SetUp() override {
    ZoneTablesTest::SetUp();
    ResetPortSettingGlobals();
    Init_Read_PortSetting();
  }
  static std::vector<std::string> column(const std::string& section) {
    Read_TableData(Database_PortSetting, "Enabled,Description", "");
    for (long i = 0; i < arrQueryResult[0].Count; ++i)
      if (arrQueryResult[i].RowSection == section) return arrQueryResult[i].Values;
    return {};
  }
  // Internet High with row 12 ("Allow incoming TCP ports:") ticked and given ports.
  static std::vector<CustomRow> internetHighWithTcpIn(const std::string& ports, bool checked = true) {
    auto rows = LoadCustomRows(CustomList::HighInternet);
    rows[11].Checked = checked;
    rows[11].Text = "Allow incoming TCP ports:" + ports;
    rows[11].Tag = true;
    return rows;
  }
};

TEST_F(CustomSettings, RowsLoadFromTheArraysWithTheirTexts) {
  auto high = LoadCustomRows(CustomList::HighTrusted);
  auto medium = LoadCustomRows(CustomList::MediumInternet);
  ASSERT_EQ(high.size(), 13u);
  ASSERT_EQ(medium.size(), 12u);
  EXPECT_EQ(high[0].Text, "Allow outgoing DNS (UDP Port 53)");
  EXPECT_EQ(high[8].Text, "Allow outgoing IGMP");  // a switch row keeps its bare caption
  EXPECT_EQ(high[12].Text, "Allow outgoing TCP ports:(none selected)");
  EXPECT_EQ(medium[0].Text, "Block incoming NetBIOS (ports 135,137-9,445)");
  EXPECT_EQ(medium[8].Text, "Block incoming UDP ports:(none selected)");
  EXPECT_TRUE(high[0].Checked && high[1].Checked && high[2].Checked);
  EXPECT_FALSE(high[3].Checked);
  EXPECT_TRUE(medium[0].Checked);
  EXPECT_FALSE(medium[1].Checked);
  arrInternetHighSettings[9].Description = "53, 67-68";
  EXPECT_EQ(LoadCustomRows(CustomList::HighInternet)[9].Text, "Allow incoming UDP ports:53, 67-68");
  EXPECT_TRUE(IsPortRow(CustomList::HighInternet, 10));
  EXPECT_FALSE(IsPortRow(CustomList::HighInternet, 9));
  EXPECT_TRUE(IsPortRow(CustomList::MediumTrusted, 9));
  EXPECT_FALSE(IsPortRow(CustomList::MediumTrusted, 13));
}

TEST_F(CustomSettings, ResetDefaultsDiffersByTab) {
  auto high = LoadCustomRows(CustomList::HighTrusted);
  auto medium = LoadCustomRows(CustomList::MediumTrusted);
  high[5].Checked = true;
  medium[0].Checked = true;
  ResetCustomDefaults(high, medium, false);
  for (size_t i = 0; i < high.size(); ++i) EXPECT_EQ(high[i].Checked, i < 3) << i;
  for (const auto& r : medium) EXPECT_FALSE(r.Checked);
  EXPECT_TRUE(high[5].Tag && medium[0].Tag && high[0].Tag);
  EXPECT_FALSE(high[7].Tag);  // never ticked: nothing to store
  ResetCustomDefaults(high, medium, true);
  EXPECT_TRUE(medium[0].Checked);
  for (size_t i = 1; i < medium.size(); ++i) EXPECT_FALSE(medium[i].Checked);
}

TEST_F(CustomSettings, PortKeyFilter) {
  EXPECT_TRUE(PortKeyPasses("", '8'));
  EXPECT_TRUE(PortKeyPasses("", 8));
  EXPECT_FALSE(PortKeyPasses("", ','));
  EXPECT_FALSE(PortKeyPasses("", '-'));
  EXPECT_TRUE(PortKeyPasses("80", ','));
  EXPECT_TRUE(PortKeyPasses("80", '-'));
  EXPECT_TRUE(PortKeyPasses("80", 8));
  for (const char* ending : {"80,", "80-"}) {
    EXPECT_TRUE(PortKeyPasses(ending, '1')) << ending;
    EXPECT_FALSE(PortKeyPasses(ending, ',')) << ending;
    EXPECT_FALSE(PortKeyPasses(ending, '-')) << ending;
    EXPECT_FALSE(PortKeyPasses(ending, 8)) << ending;
  }
  for (const char* box : {"", "80", "80,"}) EXPECT_FALSE(PortKeyPasses(box, 'a')) << box;
  EXPECT_FALSE(PortKeyPasses("80", ' '));
}

TEST_F(CustomSettings, TickedPortRowStoresItsRangesInOrder) {
  // A stale range of the row goes; another row's range stays.
  Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), {"3", "3", "2", "21", "21", "0049"}, true);
  Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), {"3", "3", "1", "25", "25", "0050"}, true);
  auto rows = internetHighWithTcpIn("80, 100-200");
  ASSERT_TRUE(SaveChanges({{CustomList::HighInternet, true, &rows}}));
  EXPECT_EQ(column("0049"), (std::vector<std::string>{"1", "80, 100-200"}));
  EXPECT_EQ(arrInternetHighSettings[11].Description, "80, 100-200");
  EXPECT_EQ(arrInternetHighSettings[11].Enabled, 1);
  Rows ports = mvtest::tableRows(Database_TCPPorts);
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].values, (std::vector<std::string>{"3", "3", "1", "25", "25", "0050"}));
  EXPECT_EQ(ports[1].values, (std::vector<std::string>{"3", "3", "2", "80", "80", "0049"}));
  EXPECT_EQ(ports[2].values, (std::vector<std::string>{"3", "3", "2", "100", "200", "0049"}));
  EXPECT_FALSE(rows[11].Tag);
  EXPECT_TRUE(mvtest::tableRows(Database_UDPPorts).empty());
}

TEST_F(CustomSettings, UntickedRowKeepsItsTextAndLosesItsRanges) {
  auto rows = internetHighWithTcpIn("80, 100-200");
  ASSERT_TRUE(SaveChanges({{CustomList::HighInternet, true, &rows}}));
  rows[11].Checked = false;
  rows[11].Tag = true;
  ASSERT_TRUE(SaveChanges({{CustomList::HighInternet, true, &rows}}));
  EXPECT_EQ(column("0049"), (std::vector<std::string>{"0", "80, 100-200"}));
  EXPECT_EQ(arrInternetHighSettings[11].Enabled, 0);
  EXPECT_TRUE(mvtest::tableRows(Database_TCPPorts).empty());
}

TEST_F(CustomSettings, EmptiedAndUntouchedPortRows) {
  arrTrustedMediumSettings[8].Description = "old";
  auto rows = LoadCustomRows(CustomList::MediumTrusted);
  rows[8] = {true, "Block incoming UDP ports:", true};                 // box emptied
  rows[9] = {true, "Block outgoing UDP ports:(none selected)", true};  // as loaded
  rows[10].Tag = false;
  rows[10].Checked = true;  // changed but not marked: not stored
  ASSERT_TRUE(SaveChanges({{CustomList::MediumTrusted, true, &rows}}));
  EXPECT_EQ(column("0009"), (std::vector<std::string>{"1", ""}));
  EXPECT_EQ(column("0010"), (std::vector<std::string>{"1", ""}));
  EXPECT_EQ(column("0011")[0], "0");
  EXPECT_EQ(arrTrustedMediumSettings[8].Description, "");
  EXPECT_EQ(arrTrustedMediumSettings[9].Description, "(none selected)");  // memory record unchanged
  EXPECT_TRUE(mvtest::tableRows(Database_UDPPorts).empty());
}

TEST_F(CustomSettings, OnlyChangedListsAndMarkedRowsAreStored) {
  auto trusted = LoadCustomRows(CustomList::HighTrusted);
  trusted[0] = {false, trusted[0].Text, true};
  auto internet = LoadCustomRows(CustomList::MediumInternet);
  internet[1] = {true, internet[1].Text, true};
  ASSERT_TRUE(SaveChanges({{CustomList::HighTrusted, false, &trusted}, {CustomList::MediumInternet, true, &internet}}));
  EXPECT_EQ(column("0013")[0], "1");  // the unflagged list stays as it was
  EXPECT_TRUE(trusted[0].Tag);
  EXPECT_EQ(column("0027")[0], "1");
  EXPECT_EQ(arrInternetMediumSettings[1].Enabled, 1);
  EXPECT_EQ(arrTrustedHighSettings[0].Enabled, 1);
}

TEST_F(CustomSettings, PortsOutsideTheRangeAreRefusedBeforeAnythingIsStored) {
  for (const char* bad : {"0", "80, 0-5", "70000", "80-70000"}) {
    messages.clear();
    auto other = LoadCustomRows(CustomList::HighTrusted);
    other[3] = {true, other[3].Text, true};
    auto rows = internetHighWithTcpIn(bad);
    EXPECT_FALSE(SaveChanges({{CustomList::HighInternet, true, &rows}, {CustomList::HighTrusted, true, &other}})) << bad;
    ASSERT_EQ(messages.size(), 1u) << bad;
    EXPECT_NE(messages[0].prompt.find("1 to 65535"), std::string::npos);
    EXPECT_TRUE(rows[11].Tag);
    EXPECT_EQ(column("0049")[0], "0") << bad;
    EXPECT_EQ(column("0016")[0], "0") << bad;
    EXPECT_TRUE(mvtest::tableRows(Database_TCPPorts).empty()) << bad;
  }
  // Ports at both ends of the range pass.
  EXPECT_EQ(PortListProblem("1, 65535, 1-65535"), "");
  EXPECT_EQ(PortListProblem("(none selected)"), "");
}

TEST_F(CustomSettings, AFailedWriteIsReportedAndKeepsTheMarks) {
  std::filesystem::path file = native("Profiles/Database_PortSetting.MVL");
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  auto rows = internetHighWithTcpIn("80");
  EXPECT_FALSE(SaveChanges({{CustomList::HighInternet, true, &rows}}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("could not"), std::string::npos);
  EXPECT_TRUE(rows[11].Tag);
  EXPECT_EQ(arrInternetHighSettings[11].Enabled, 0);
}

}  // namespace
