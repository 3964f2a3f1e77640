#include <gtest/gtest.h>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "tests/support/TestEnv.h"

using namespace mv;

class Database : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
  }
  // Adds a row as the entry dialogs do and returns its row section.
  std::string addIP(const std::string& ip, const std::string& name, const std::string& zone) {
    std::string row = getNextLineNo(Database_IPSetting);
    std::string id = GetNewRowIndex();
    EXPECT_TRUE(Write_MorvantisNewData(Database_IPSetting, row, {ip, name, "desc " + name, zone, id}, true));
    return row;
  }
  std::vector<std::string> hitRows() const {
    std::vector<std::string> rows;
    for (long i = 0; i < arrQueryResult[0].Count; ++i) rows.push_back(arrQueryResult[static_cast<size_t>(i)].RowSection);
    return rows;
  }
};

TEST_F(Database, TableNamesAndMasterValues) {
  EXPECT_EQ(varTableNames.size(), 18u);
  EXPECT_EQ(varTableNames[Database_IPSetting], "Database_IPSetting");
  EXPECT_EQ(TableFile(Database_UDPPorts), strProfilePath + "Database_UDPPorts.MVL");
  EXPECT_TRUE(blnZoneDataChanged);
  EXPECT_EQ(GetMasterValue(IPTypeMaster, "IP Range", "x"), "3");
  EXPECT_EQ(GetMasterValue(IPTypeMaster, "Nothing", "x"), "");
  EXPECT_TRUE(SetMasterValue(SelectedLevel, "3", "1"));
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), "1");
  EXPECT_EQ(ReadINI("SelectedLevel", "3", "", MasterFile(), false), EncryptString("1", "SelectedLevel"));
}

TEST_F(Database, RowsAreWrittenScrambledWithTheirRowSection) {
  std::string row = addIP("10.0.0.1", "Gateway", "2");
  EXPECT_EQ(row, "0001");
  EXPECT_EQ(ReadINI("0001", "1", "", TableFile(Database_IPSetting), false), EncryptString("10.0.0.1", "0001"));
  EXPECT_EQ(ReadINI("Database_LastLineNo", "Database_IPSetting", "", MasterFile(), true), "0001");
  EXPECT_EQ(ReadINI("Database_LastLineNo", "LastRowIndex", "", MasterFile(), true), "000001");
}

TEST_F(Database, QueriesWithStarColumnListsAndWhereClauses) {
  addIP("10.0.0.1", "A", "2");
  addIP("10.0.0.2", "B", "3");
  addIP("10.0.0.3", "C", "2");

  Read_TableData(Database_IPSetting, "*", "");
  ASSERT_EQ(arrQueryResult[0].Count, 3);
  EXPECT_EQ(hitRows(), (std::vector<std::string>{"0001", "0002", "0003"}));
  ASSERT_EQ(arrQueryResult[1].Values.size(), 5u);
  EXPECT_EQ(arrQueryResult[1].Values[static_cast<size_t>(getColumnArrayIndex(Database_IPSetting, "Name"))], "B");
  EXPECT_EQ(arrQueryResult[2].Values[4], "000003");

  Read_TableData(Database_IPSetting, "name,IP", "zone=2");  // column names without regard to case
  ASSERT_EQ(arrQueryResult[0].Count, 2);
  EXPECT_EQ(arrQueryResult[0].Values, (std::vector<std::string>{"A", "10.0.0.1"}));
  EXPECT_EQ(arrQueryResult[1].Values, (std::vector<std::string>{"C", "10.0.0.3"}));

  Read_TableData(Database_IPSetting, "Name", "Zone=2 && Name=C");
  EXPECT_EQ(hitRows(), std::vector<std::string>{"0003"});
  Read_TableData(Database_IPSetting, "Name", "Zone=3 || Name=A");
  EXPECT_EQ(hitRows(), (std::vector<std::string>{"0001", "0002"}));
  // A row matching both terms of an "or" is listed once.
  Read_TableData(Database_IPSetting, "Name", "Zone=2 || Name=A");
  EXPECT_EQ(hitRows(), (std::vector<std::string>{"0001", "0003"}));
}

TEST_F(Database, ValuesMatchExactlyAndMixedSeparatorsSplitOnAndOnly) {
  addIP("1.1.1.1", "Trusted", "2");
  Read_TableData(Database_IPSetting, "IP", "Name=trusted");
  EXPECT_EQ(arrQueryResult[0].Count, 0);
  EXPECT_EQ(arrQueryResult.size(), 1u);
  EXPECT_TRUE(arrQueryResult[0].Values.empty());
  // " && " is looked for first: the second term's value is "2 || Name=x".
  Read_TableData(Database_IPSetting, "IP", "Name=Trusted && Zone=2 || Name=x");
  EXPECT_EQ(arrQueryResult[0].Count, 0);
  ASSERT_EQ(arrWhereClause.size(), 2u);
  EXPECT_EQ(arrWhereClause[1].Value, "2 || Name=x");
  // A clause with a term that cannot be read matches nothing, and deletes nothing.
  Read_TableData(Database_IPSetting, "IP", "Zone=2 && Name");
  EXPECT_EQ(arrQueryResult[0].Count, 0);
  EXPECT_TRUE(Delete_TableData(Database_IPSetting, "Zone=2 || IP", "*"));
  Read_TableData(Database_IPSetting, "IP", "");
  EXPECT_EQ(arrQueryResult[0].Count, 1);
  // A column that is not in the map matches no row with all its keys.
  Read_TableData(Database_IPSetting, "IP", "Colour=2");
  EXPECT_EQ(arrQueryResult[0].Count, 0);
}

TEST_F(Database, MissingOrEmptyTablesGiveNoHits) {
  Read_TableData(Database_HostSetting, "*", "");
  EXPECT_EQ(arrQueryResult.size(), 1u);
  EXPECT_EQ(arrQueryResult[0].Count, 0);
  std::remove(native("Profiles/Database_HostSetting.MVL").c_str());
  Read_TableData(Database_HostSetting, "*", "Zone=1");
  EXPECT_EQ(arrQueryResult[0].Count, 0);
}

TEST_F(Database, DeletesUpdatesAndRewritesInPlace) {
  addIP("1.1.1.1", "A", "2");
  addIP("2.2.2.2", "B", "3");
  addIP("3.3.3.3", "C", "2");
  EXPECT_TRUE(Delete_TableData(Database_IPSetting, "Zone=9", "*"));
  Read_TableData(Database_IPSetting, "*", "");
  EXPECT_EQ(arrQueryResult[0].Count, 3);

  EXPECT_TRUE(Delete_TableData(Database_IPSetting, "Zone=2", "*"));
  Read_TableData(Database_IPSetting, "Name", "");
  EXPECT_EQ(hitRows(), std::vector<std::string>{"0002"});

  EXPECT_TRUE(WriteColumnValue(Database_IPSetting, "0002", "zone", "1"));
  Read_TableData(Database_IPSetting, "Zone,Name", "");
  EXPECT_EQ(arrQueryResult[0].Values, (std::vector<std::string>{"1", "B"}));

  EXPECT_TRUE(Write_MorvantisNewData(Database_IPSetting, "0002", {"9.9.9.9", "Z"}, false));
  Read_TableData(Database_IPSetting, "*", "");
  EXPECT_EQ(arrQueryResult[0].Values, (std::vector<std::string>{"9.9.9.9", "Z", "", "", ""}));
  EXPECT_EQ(ReadINI("Database_LastLineNo", "Database_IPSetting", "", MasterFile(), true), "0003");

  EXPECT_TRUE(DeleteRowSection(Database_IPSetting, "0002"));
  Read_TableData(Database_IPSetting, "*", "");
  EXPECT_EQ(arrQueryResult[0].Count, 0);
  // Row numbers are not reused after deletes.
  EXPECT_EQ(getNextLineNo(Database_IPSetting), "0004");
}

TEST_F(Database, CountersAndIds) {
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "Database_HostSetting", "0012", MasterFile(), true));
  EXPECT_EQ(getNextLineNo(Database_HostSetting), "0013");
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "Database_HostSetting", "9999", MasterFile(), true));
  EXPECT_EQ(getNextLineNo(Database_HostSetting), "10000");
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "LastRowIndex", "41", MasterFile(), true));
  EXPECT_EQ(GetNewRowIndex(), "000042");
  EXPECT_EQ(ReadINI("Database_LastLineNo", "LastRowIndex", "", MasterFile(), true), "000042");
  // The detected networks keep rows 0001-0005 of these two tables.
  EXPECT_EQ(getNextLineNo(Database_IPAddress), "0006");
  EXPECT_EQ(getNextLineNo(Database_SubnetSetting), "0006");
}

TEST_F(Database, CountersBehindTheExistingRowsContinueAfterThem) {
  addIP("1.1.1.1", "A", "2");
  addIP("2.2.2.2", "B", "2");
  // MVDB.MVL re-created from its default: counters back at the start.
  std::remove(native("Profiles/MVDB.MVL").c_str());
  installDefaults();
  EXPECT_EQ(getNextLineNo(Database_IPSetting), "0003");
  EXPECT_EQ(GetNewRowIndex(), "000003");
  // A counter holding text.
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "LastRowIndex", "garbage", MasterFile(), true));
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "Database_IPSetting", "x", MasterFile(), true));
  // The ID handed out above went into no row, so it may come again.
  EXPECT_EQ(GetNewRowIndex(), "000003");
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "LastRowIndex", "", MasterFile(), true));
  std::string row = addIP("3.3.3.3", "C", "2");
  EXPECT_EQ(row, "0003");
  Read_TableData(Database_IPSetting, "Name,ID", "");
  ASSERT_EQ(arrQueryResult[0].Count, 3);
  EXPECT_EQ(arrQueryResult[0].Values[0], "A");
  EXPECT_EQ(arrQueryResult[2].Values, (std::vector<std::string>{"C", "000003"}));
}

TEST_F(Database, PortTablesKeepTheOwningRowSectionAsId) {
  std::string row = getNextLineNo(Database_TCPPorts);
  EXPECT_TRUE(Write_MorvantisNewData(Database_TCPPorts, row, {"2", "3", "1", "80", "0", "0017"}, true));
  Read_TableData(Database_TCPPorts, "PortFrom", "ID=0017");
  ASSERT_EQ(arrQueryResult[0].Count, 1);
  EXPECT_EQ(arrQueryResult[0].Values[0], "80");
  // Port rows do not feed the zone-entry ID counter.
  EXPECT_EQ(GetNewRowIndex(), "000001");
}
