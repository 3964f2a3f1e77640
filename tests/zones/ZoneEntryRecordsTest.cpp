// The flattened address rows of the zone entries, the zones page's entry
// list and the zone names.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTreeWidget>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "tests/zones/ZoneTestSupport.h"
#include "zones/mdlCommon.h"
#include "zones/mdlCommonLists.h"

using namespace mv;
using mvtest::TableRow;
using mvtest::tableRows;
using Rows = std::vector<TableRow>;

namespace {

class ZoneEntryRecordsTest : public mvtest::ZoneTablesTest {
 protected:
  std::string counter() { return ReadINI("Database_LastLineNo", "Database_IPAddress", "", MasterFile(), true); }
  // Writes an entry row as the entry dialogs do and returns its values.
  EntryValues writeEntry(long table, EntryValues values) {
    values.push_back({"ID", GetNewRowIndex()});
    EXPECT_TRUE(Write_MorvantisNewData(table, getNextLineNo(table), EntryRow(values), true));
    return values;
  }
  EntryValues writeSubnet(const std::string& ip, const std::string& name, const std::string& zone,
                          const std::string& active) {
    return writeEntry(Database_SubnetSetting, {{"IP", ip}, {"SubnetMask", "255.255.255.0"}, {"Name", name},
                                               {"Description", ip + "/255.255.255.0"}, {"Zone", zone},
                                               {"ActiveNetwork", active}});
  }
  // A detected network in its reserved row, as start-up writes it.
  EntryValues writeNetwork(const std::string& section, const std::string& ip) {
    EntryValues v = {{"IP", ip}, {"SubnetMask", "255.255.255.0"}, {"Name", "New Network"}, {"Description", ip},
                     {"Zone", "2"}, {"ActiveNetwork", "1"}, {"ID", GetNewRowIndex()}};
    EXPECT_TRUE(Write_MorvantisNewData(Database_SubnetSetting, section, EntryRow(v), false));
    return v;
  }
};

EntryValues with(EntryValues values, const std::string& key, const std::string& value) {
  for (auto& v : values)
    if (v.Key == key) v.Value = value;
  return values;
}

}  // namespace

TEST_F(ZoneEntryRecordsTest, AddressesAndRangesHaveOneRowThatReSavingReplaces) {
  EntryValues v = writeEntry(Database_IPSetting, {{"IP", "10.1.1.1"}, {"Name", "Printer"}, {"Description", ""}, {"Zone", "2"}});
  EXPECT_TRUE(AddIPAddressData(ipAddress, v, {}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"2", "2", "10.1.1.1", "10.1.1.1", "000001"}}}));
  EXPECT_TRUE(AddIPAddressData(ipAddress, with(with(v, "IP", "10.1.1.2"), "Zone", "1"), {}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0007", {"2", "1", "10.1.1.2", "10.1.1.2", "000001"}}}));
  EXPECT_EQ(counter(), "0007");

  EntryValues r = writeEntry(Database_IPRangeSetting, {{"IPFrom", "10.0.0.1"}, {"IPTo", "10.0.0.50"}, {"Name", "Lab"},
                                                       {"Description", ""}, {"Zone", "1"}});
  EXPECT_TRUE(AddIPAddressData(ipRange, r, {"ignored"}));
  EXPECT_EQ(tableRows(Database_IPAddress).back(), (TableRow{"0008", {"3", "1", "10.0.0.1", "10.0.0.50", "000002"}}));
}

TEST_F(ZoneEntryRecordsTest, HostNamesAndSubnetsHaveOneRowPerAddress) {
  EntryValues v = writeEntry(Database_HostSetting, {{"HostName", "www.example.test"}, {"Name", "Example"},
                                                    {"Description", "www.example.test"}, {"Zone", "3"}});
  EXPECT_TRUE(AddIPAddressData(ipHostName, v, {"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"1", "3", "10.0.0.1", "10.0.0.1", "000001"}},
                                                 {"0007", {"1", "3", "10.0.0.2", "10.0.0.2", "000001"}},
                                                 {"0008", {"1", "3", "10.0.0.3", "10.0.0.3", "000001"}}}));
  EXPECT_TRUE(AddIPAddressData(ipHostName, v, {}));
  EXPECT_TRUE(tableRows(Database_IPAddress).empty()) << "a name that resolves to nothing loses its rows";

  EntryValues s = writeSubnet("192.168.1.0", "Office", "2", "0");
  EXPECT_TRUE(AddIPAddressData(ipSubnet, s, {"192.168.1.0/" + Str(GetMaskBits("255.255.255.0"))}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0009", {"4", "2", "192.168.1.0/24", "192.168.1.0/24", "000002"}}}));
}

TEST_F(ZoneEntryRecordsTest, DetectedNetworksTakeTheirOwnSectionsAndIds) {
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "LastRowIndex", "000040", MasterFile(), true));
  writeNetwork("0001", "10.0.0.5");
  EntryValues second = writeNetwork("0002", "192.168.1.7");
  EXPECT_TRUE(AddIPAddressData(ipNetwork, second, {"10.0.0.5/8", "192.168.1.7/24"}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0001", {"5", "2", "10.0.0.5/8", "10.0.0.5/8", "000041"}},
                                                 {"0002", {"5", "2", "192.168.1.7/24", "192.168.1.7/24", "000042"}}}));
  EXPECT_EQ(counter(), "0005");
}

TEST_F(ZoneEntryRecordsTest, ReSavingOneDetectedNetworkRebuildsOnlyItsOwnRow) {
  writeNetwork("0001", "10.0.0.5");
  EntryValues second = writeNetwork("0002", "192.168.1.7");
  EntryValues third = writeNetwork("0003", "172.16.0.1");
  EXPECT_TRUE(AddIPAddressData(ipNetwork, third, {"10.0.0.5/24", "192.168.1.7/24", "172.16.0.1/24"}));
  // The subnet dialog saves the second network, now Blocked, with a new address.
  EXPECT_TRUE(AddIPAddressData(ipNetwork, with(second, "Zone", "1"), {"192.168.9.0/24"}));
  EXPECT_EQ(mvtest::rowsBySection(Database_IPAddress),
            (Rows{{"0001", {"5", "2", "10.0.0.5/24", "10.0.0.5/24", "000001"}},
                  {"0002", {"5", "1", "192.168.9.0/24", "192.168.9.0/24", "000002"}},
                  {"0003", {"5", "2", "172.16.0.1/24", "172.16.0.1/24", "000003"}}}));
  EXPECT_EQ(counter(), "0005");
  // An address whose network row is not there is not written.
  EXPECT_TRUE(AddIPAddressData(ipNetwork, {{"Zone", "2"}, {"ID", "000077"}}, {"10.9.9.9/8"}));
  EXPECT_EQ(tableRows(Database_IPAddress).size(), 3u);
  EXPECT_NE(readText("Err.log").find("AddIPAddressData of mdlCommon"), std::string::npos);
}

TEST_F(ZoneEntryRecordsTest, UnknownTypesOnlyDeleteAndMissingItemsAreLogged) {
  EntryValues v = writeEntry(Database_IPSetting, {{"IP", "10.1.1.1"}, {"Name", "P"}, {"Description", ""}, {"Zone", "2"}});
  EXPECT_TRUE(AddIPAddressData(ipAddress, v, {}));
  EXPECT_TRUE(AddIPAddressData(6, v, {"10.1.1.1"}));
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
  EXPECT_EQ(readText("Err.log"), "");
  EXPECT_FALSE(AddIPAddressData(ipAddress, {{"ID", "000001"}, {"Zone", "2"}}, {}));
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
  EXPECT_NE(readText("Err.log").find("AddIPAddressData of mdlCommon"), std::string::npos);
}

TEST_F(ZoneEntryRecordsTest, EntryListItemsCarryNameAddressTypeZoneAndId) {
  writeEntry(Database_IPSetting, {{"IP", "10.1.1.1"}, {"Name", "Printer"}, {"Description", "10.1.1.1"}, {"Zone", "1"}});
  writeEntry(Database_IPSetting, {{"IP", "10.1.1.2"}, {"Name", "Odd"}, {"Description", "10.1.1.2"}, {"Zone", "4"}});
  writeEntry(Database_IPSetting, {{"IP", "10.1.1.3"}, {"Name", "None"}, {"Description", "10.1.1.3"}, {"Zone", ""}});
  QTreeWidget lvwZones;
  lvwZones.setColumnCount(5);
  Read_TableData(Database_IPSetting, "*", "");
  AddToList(&lvwZones, Database_IPSetting, "IP Address");
  ASSERT_EQ(lvwZones.topLevelItemCount(), 3);
  QTreeWidgetItem* first = lvwZones.topLevelItem(0);
  EXPECT_EQ(QStringList({first->text(0), first->text(1), first->text(2), first->text(3), first->text(4)}),
            QStringList({"Printer", "10.1.1.1", "IP Address", "Blocked", "000001"}));
  EXPECT_EQ(lvwZones.topLevelItem(1)->text(3), "");
  EXPECT_EQ(lvwZones.topLevelItem(2)->text(3), "");
  Read_TableData(Database_IPSetting, "*", "Zone=9");
  AddToList(&lvwZones, Database_IPSetting, "IP Address");
  EXPECT_EQ(lvwZones.topLevelItemCount(), 3) << "no hits add nothing";
}

TEST_F(ZoneEntryRecordsTest, DetectedNetworksAreListedOnlyAsNetworks) {
  writeNetwork("0001", "10.0.0.5");
  writeSubnet("192.168.1.0", "Office", "3", "0");
  writeSubnet("192.168.2.0", "Lab", "2", "");
  Read_TableData(Database_SubnetSetting, "*", "");
  auto subnets = ZoneListRows(Database_SubnetSetting, "Subnet");
  ASSERT_EQ(subnets.size(), 2u);
  EXPECT_EQ(subnets[0].Text + "/" + subnets[0].ZoneName + " " + subnets[1].Text, "Office/Internet Lab");
  EXPECT_EQ(ZoneListRows(Database_SubnetSetting, "Network").size(), 3u);
  Read_TableData(Database_SubnetSetting, "*", "ActiveNetwork=1");
  auto networks = ZoneListRows(Database_SubnetSetting, "Network");
  ASSERT_EQ(networks.size(), 1u);
  EXPECT_EQ(networks[0].Text + "|" + networks[0].Description + "|" + networks[0].TypeName + "|" + networks[0].ZoneName,
            "New Network|10.0.0.5|Network|Trusted");
}

TEST_F(ZoneEntryRecordsTest, ZonePickersAndZoneNumbers) {
  QComboBox combo;
  FillZoneCombo(&combo);
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(QStringList({combo.itemText(0), combo.itemText(1), combo.itemText(2)}),
            QStringList({"Blocked", "Trusted", "Internet"}));
  EXPECT_EQ(GetZoneNumber("Blocked"), "1");
  EXPECT_EQ(GetZoneNumber("trusted"), "2");
  EXPECT_EQ(GetZoneNumber("Internet"), "3");
  EXPECT_EQ(GetZoneNumber("Nowhere"), "");
}
