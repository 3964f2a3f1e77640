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

TEST_F(CustomSettings, TickedPortRowStoresItsRangesInOrder) {
  // A stale range of the row goes; another row's range stays.
  EXPECT_TRUE(Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), {"3", "3", "2", "21", "21", "0049"}, true));
  EXPECT_TRUE(Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), {"3", "3", "1", "25", "25", "0050"}, true));
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
