// Counters, row numbers and IDs holding numbers that do not fit: taken as
// unreadable, so numbering goes on after the rows and IDs that exist.
#include <gtest/gtest.h>

#include <climits>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "tests/support/TestEnv.h"

using namespace mv;

class HugeCounter : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
    InitTableNames();
  }
  void storeCounter(const std::string& key, const std::string& value) {
    ASSERT_TRUE(WriteINI("Database_LastLineNo", key, value, MasterFile(), true));
  }
  void addHostRow(const std::string& row, const std::string& id) {
    EXPECT_TRUE(Write_MorvantisNewData(Database_HostSetting, row, {"host", "name", "", "2", id}, false));
  }
};

TEST_F(HugeCounter, ARowCounterThatDoesNotFitContinuesAfterTheHighestRow) {
  addHostRow("0007", "000012");
  for (const std::string huge : {"1e300", "-1e300", "99999999999999999999", "1e999", "2147483647", "&HFFFFFFFF"}) {
    storeCounter("Database_HostSetting", huge);
    EXPECT_EQ(getNextLineNo(Database_HostSetting), "0008") << huge;
  }
  // A readable counter still counts, also beyond four digits.
  storeCounter("Database_HostSetting", "9999");
  EXPECT_EQ(getNextLineNo(Database_HostSetting), "10000");
  // A row whose number does not fit is no highest row.
  addHostRow("99999999999999999999", "000013");
  storeCounter("Database_HostSetting", "junk");
  EXPECT_EQ(getNextLineNo(Database_HostSetting), "0008");
}

TEST_F(HugeCounter, AnIdCounterThatDoesNotFitContinuesAfterTheHighestId) {
  addHostRow("0001", "000041");
  addHostRow("0002", "1e300");
  for (const std::string huge : {"1e300", "-5e20", "123456789012345678901234567890"}) {
    storeCounter("LastRowIndex", huge);
    EXPECT_EQ(GetNewRowIndex(), "000042") << huge;
  }
  EXPECT_EQ(ReadINI("Database_LastLineNo", "LastRowIndex", "", MasterFile(), true), "000042");
  EXPECT_EQ(GetNewRowIndex(), "000043");
}

TEST_F(HugeCounter, ConversionsOfHugeNumbersStayDefined) {
  EXPECT_EQ(ValCounter("1e300"), 0);
  EXPECT_EQ(ValCounter("-1"), 0);
  EXPECT_EQ(ValCounter("2147483646"), 2147483646);
  EXPECT_EQ(ValCounter("12.9"), 12);
  EXPECT_EQ(ValSingle("1e300", -1), -1);
  EXPECT_EQ(ValSingle("2.5", -1), 2.5f);
  EXPECT_EQ(FormatNumber(LLONG_MIN, "0"), "-9223372036854775808");
  EXPECT_EQ(FormatNumber(-7, "000"), "-007");
  // A column key number that does not fit names no column.
  ASSERT_TRUE(WriteINI("Database_HostSetting", "Huge", "1e300", MasterFile(), true));
  EXPECT_EQ(getColumnArrayIndex(Database_HostSetting, "Huge"), -1);
}
