// The decisions behind the zones page and its dialogs, without windows: type
// codes, the stored entry an Edit opens, the writes of OK and Remove, and the
// rules of the octet boxes.
#include <gtest/gtest.h>

#include "core/mdINIBas.h"
#include "tests/zones/ZoneTestSupport.h"
#include "zones/mdlZoneEntry.h"

using namespace mv;
using mvtest::TableRow;
using mvtest::tableRows;
using Rows = std::vector<TableRow>;

namespace {
class ZoneEntryTest : public mvtest::ZoneTablesTest {};
}  // namespace

// A name that is not in the table reads as no code, so Edit and Remove leave
// such an entry alone.
TEST_F(ZoneEntryTest, TypeCodesComeFromTheTypeTable) {
  EXPECT_EQ(GetIPTypeCode("Host Name"), 1);
  EXPECT_EQ(GetIPTypeCode("IP Address"), 2);
  EXPECT_EQ(GetIPTypeCode("ip range"), 3);
  EXPECT_EQ(GetIPTypeCode("Subnet"), 4);
  EXPECT_EQ(GetIPTypeCode("Network"), 5);
  EXPECT_EQ(GetIPTypeCode("Printer"), 0);
  EXPECT_EQ(GetIPTypeCode(""), 0);
}

TEST_F(ZoneEntryTest, AnAddAppendsUnderANewIDAndAnEditRewritesTheSameRow) {
  std::string id;
  ASSERT_EQ(StoreZoneEntry(Database_IPRangeSetting, ipRange,
                           {{"IPFrom", "10.0.0.1"}, {"IPTo", "10.0.0.9"}, {"Name", "Lab"}, {"Description", "d"}, {"Zone", "2"}},
                           true, "", {}, id),
            EntrySaved::Saved);
  EXPECT_EQ(id, "000001");
  EXPECT_TRUE(blnZoneDataChanged);
  EXPECT_EQ(ReadZoneEntry(ipRange, id), (std::vector<std::string>{"10.0.0.1", "10.0.0.9", "Lab"}));
  EXPECT_EQ(ReadINI("Database_LastLineNo", "Database_IPRangeSetting", "", MasterFile(), true), "0001");

  std::string again;
  ASSERT_EQ(StoreZoneEntry(Database_IPRangeSetting, ipRange,
                           {{"IPFrom", "10.0.0.2"}, {"IPTo", "10.0.0.3"}, {"Name", "Lab2"}, {"Description", "e"}, {"Zone", "1"}},
                           false, id, {}, again),
            EntrySaved::Saved);
  EXPECT_EQ(again, id);
  EXPECT_EQ(tableRows(Database_IPRangeSetting), (Rows{{"0001", {"10.0.0.2", "10.0.0.3", "Lab2", "e", "1", id}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0007", {"3", "1", "10.0.0.2", "10.0.0.3", id}}}));
}

TEST_F(ZoneEntryTest, AnEditOfAMissingEntryWritesNothing) {
  for (const std::string& id : {std::string("000042"), std::string()}) {
    std::string got;
    EXPECT_EQ(StoreZoneEntry(Database_HostSetting, ipHostName,
                             {{"HostName", "h"}, {"Name", "n"}, {"Description", "h"}, {"Zone", "1"}}, false, id,
                             {"1.2.3.4"}, got),
              EntrySaved::EntryGone);
  }
  EXPECT_TRUE(tableRows(Database_HostSetting).empty());
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
  EXPECT_FALSE(ReadZoneEntry(ipHostName, "000042"));
  EXPECT_FALSE(ReadZoneEntry(7, "000001"));
}

TEST_F(ZoneEntryTest, RemoveDeletesAnEntryButNeverADetectedNetwork) {
  std::string id;
  StoreZoneEntry(Database_IPSetting, ipAddress, {{"IP", "1.1.1.1"}, {"Name", "n"}, {"Description", "1.1.1.1"}, {"Zone", "1"}},
                 true, "", {}, id);
  blnZoneDataChanged = false;
  EXPECT_FALSE(RemoveZoneEntry(ipNetwork, id));
  EXPECT_FALSE(blnZoneDataChanged);
  EXPECT_EQ(StoredAddresses(id), (std::vector<std::string>{"1.1.1.1"}));
  EXPECT_TRUE(RemoveZoneEntry(ipAddress, id));
  EXPECT_TRUE(blnZoneDataChanged);
  EXPECT_TRUE(tableRows(Database_IPSetting).empty());
  EXPECT_TRUE(StoredAddresses(id).empty());
}

TEST(OctetRules, TheKeyFilterOfAnOctetBox) {
  struct Case {
    const char* text;
    int key;
    int index;
    bool accept;
    const char* after;
    bool move;
  };
  const Case cases[] = {
      {"", '1', 0, true, "", false},       {"19", '2', 0, true, "19", false},   {"192", '5', 0, true, "192", true},
      {"999", '5', 1, true, "255", true},  {"255", '0', 2, true, "255", true},  {"300", '1', 3, true, "255", false},
      {"123", 8, 0, true, "123", false},   {"1", 'a', 0, false, "1", false},    {"1", ' ', 0, false, "1", false},
      {"1", '.', 0, false, "1", false},    {"1", '-', 0, false, "1", false},    {"999", 'x', 0, false, "999", false},
  };
  for (const Case& c : cases) {
    const OctetKeyResult r = OctetKeyPress(c.text, c.key, c.index);
    EXPECT_EQ(r.accept, c.accept) << c.text << " + " << c.key;
    EXPECT_EQ(r.text, c.after) << c.text << " + " << c.key;
    EXPECT_EQ(r.moveFocus, c.move) << c.text << " + " << c.key;
  }
}

TEST(OctetRules, MaskBytesAndClamping) {
  for (const char* byte : {"0", "128", "192", "224", "240", "248", "252", "254", "255"})
    EXPECT_EQ(CheckMaskByte(byte), byte);
  for (const char* other : {"", "1", "250", "256", "300", "127"}) EXPECT_EQ(CheckMaskByte(other), "0") << other;
  EXPECT_EQ(ClampOctet("256"), "255");
  EXPECT_EQ(ClampOctet("255"), "255");
  EXPECT_EQ(ClampOctet("010"), "010");
  EXPECT_EQ(JoinOctets({"10", "0", "0", "1"}), "10.0.0.1");
}
