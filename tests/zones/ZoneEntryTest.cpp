// The decisions behind the zones page and its dialogs, without windows: type
// codes, an Edit of an entry that is gone, Remove, and the mask bytes.
#include <gtest/gtest.h>

#include "core/mdINIBas.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
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
  EXPECT_EQ(RemoveZoneEntry({"n", "1.1.1.1", "Network", "Blocked", id}), EntryRemoved::Refused);
  EXPECT_FALSE(blnZoneDataChanged);
  EXPECT_EQ(StoredAddresses(id), (std::vector<std::string>{"1.1.1.1"}));
  EXPECT_EQ(RemoveZoneEntry({"n", "1.1.1.1", "IP Address", "Blocked", id}), EntryRemoved::Removed);
  EXPECT_TRUE(blnZoneDataChanged);
  EXPECT_TRUE(tableRows(Database_IPSetting).empty());
  EXPECT_TRUE(StoredAddresses(id).empty());
}

TEST_F(ZoneEntryTest, RemoveOfARowWhoseIDAnotherEntryHoldsDeletesNothing) {
  std::string id;
  StoreZoneEntry(Database_IPSetting, ipAddress, {{"IP", "1.1.1.2"}, {"Name", "Printer"}, {"Description", "1.1.1.2"}, {"Zone", "2"}},
                 true, "", {}, id);
  const auto before = tableRows(Database_IPSetting);
  // The row as a page listed another entry that held the ID before.
  for (const ZoneListRow& stale : {ZoneListRow{"Office PC", "1.1.1.2", "IP Address", "Trusted", id},
                                   ZoneListRow{"Printer", "1.1.1.9", "IP Address", "Trusted", id},
                                   ZoneListRow{"Printer", "1.1.1.2", "IP Address", "Blocked", id},
                                   ZoneListRow{"Printer", "1.1.1.2", "IP Range", "Trusted", id}}) {
    SCOPED_TRACE(stale.Text + " " + stale.Description + " " + stale.TypeName + " " + stale.ZoneName);
    EXPECT_EQ(RemoveZoneEntry(stale), EntryRemoved::NotAsShown);
    EXPECT_EQ(tableRows(Database_IPSetting), before);
    EXPECT_EQ(StoredAddresses(id), (std::vector<std::string>{"1.1.1.2"}));
  }
  EXPECT_EQ(RemoveZoneEntry({"Printer", "1.1.1.2", "IP Address", "Trusted", id}), EntryRemoved::Removed);
  EXPECT_TRUE(tableRows(Database_IPSetting).empty());
}

// The entry's file exists and cannot be read: its write is refused after the
// address row and the counters were held, and none of them is stored.
TEST_F(ZoneEntryTest, AnAddWhoseEntryFileCannotBeReadStoresNoAddressRowAndMovesNoCounter) {
  const std::vector<std::string> files = {"Profiles/Database_IPSetting.MVL", "Profiles/Database_IPAddress.MVL",
                                          "Profiles/MVDB.MVL"};
  std::vector<std::string> before;
  for (const auto& f : files) before.push_back(readText(f));
  const std::string unreadable = platform::resolvePath(TableFile(Database_IPSetting));
  platform::setProfileFileReader([&](const std::string& native, std::string& bytes) {
    return native != unreadable && platform::readNativeFile(native, bytes);
  });
  platform::profileClearCache();
  std::string id;
  EXPECT_EQ(StoreZoneEntry(Database_IPSetting, ipAddress,
                           {{"IP", "1.1.1.1"}, {"Name", "n"}, {"Description", "1.1.1.1"}, {"Zone", "1"}}, true, "", {},
                           id),
            EntrySaved::NotSaved);
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(readText(files[i]), before[i]) << files[i];
  EXPECT_FALSE(platform::fileExists(platform::profileChangeRecordPath()));
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
