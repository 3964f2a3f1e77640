// A program's port options without the dialog: reading them from the
// program's object and section, storing them (SaveData) with the section's
// fixed key order, the server presets and the custom port entries.
#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "programs/ParsePortEntry.h"
#include "programs/mdlProgramOptions.h"
#include "tests/programs/ProgramOptionsFixture.h"

namespace {

using namespace mv;
using mvtest::StoredOptions;

class ProgramOptions_ : public mvtest::ProgramOptionsTest {};

const char* kFixedOrder[] = {"Version", "Column1", "Column2", "Column3", "Column4", "Column5", "Column6", "Path",
                             "AllowAccess", "Ports", "ICMP_Protocol", "IGMP_Protocol", "Authenticate",
                             "CheckedPorts", "NoCustomizePorts"};

std::vector<std::string> fixedOrderThen(std::vector<std::string> more) {
  std::vector<std::string> keys(std::begin(kFixedOrder), std::end(kFixedOrder));
  keys.insert(keys.end(), more.begin(), more.end());
  return keys;
}

PortEntry custom(const std::string& text, bool checked, int n) { return {text, checked, "Custom_" + std::to_string(n)}; }
PortEntry preset(int n, bool checked) { return {PresetText(n), checked, PresetKey(n)}; }

TEST_F(ProgramOptions_, ReadsPresetsThenCustomEntriesWithTheirChecks) {
  StoredOptions o;
  o.allowAccess = "2";
  o.ports = "6,7";
  o.checkedPorts = "7,9";  // 9 is not listed: it checks nothing
  o.authenticate = "1";
  o.icmp = "1";
  o.custom = {"Voice (UDP port 5000 )_1", "Chat (TCP and UDP port 6000-6010)_0"};
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  ProgramOptions read = ReadProgramOptions(program(key), strProgramControlFile);
  EXPECT_EQ(read.AllowAccess, 2);
  EXPECT_EQ(read.Authenticate, 1);
  EXPECT_TRUE(read.ICMP);
  EXPECT_FALSE(read.IGMP);
  ASSERT_EQ(read.Entries.size(), 4u);
  EXPECT_EQ(read.Entries[0].Text, "DHCP servers (UDP port 67)");
  EXPECT_EQ(read.Entries[0].Key, "Ports06");
  EXPECT_FALSE(read.Entries[0].Checked);
  EXPECT_EQ(read.Entries[1].Text, "MAIL servers SMTP (TCP port 25)");
  EXPECT_EQ(read.Entries[1].Key, "Ports07");
  EXPECT_TRUE(read.Entries[1].Checked);
  EXPECT_EQ(read.Entries[2].Text, "Voice (UDP port 5000 )");
  EXPECT_EQ(read.Entries[2].Key, "Custom_1");
  EXPECT_TRUE(read.Entries[2].Checked);
  EXPECT_EQ(read.Entries[3].Text, "Chat (TCP and UDP port 6000-6010)");
  EXPECT_FALSE(read.Entries[3].Checked);
  EXPECT_EQ(errLog(), "");
}

TEST_F(ProgramOptions_, ABadPresetNumberOrAShortCustomValueIsPassedOverAndLogged) {
  StoredOptions o;
  o.allowAccess = "7";  // names no option
  o.ports = "6,x,12,,7";
  o.checkedPorts = "0,7";
  o.custom = {"", "Web (TCP port 80 )_1", "Old entry without flag"};
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  ProgramOptions read = ReadProgramOptions(program(key), strProgramControlFile);
  EXPECT_EQ(read.AllowAccess, -1);
  ASSERT_EQ(read.Entries.size(), 4u);
  EXPECT_EQ(read.Entries[0].Key, "Ports06");
  EXPECT_EQ(read.Entries[1].Key, "Ports07");
  EXPECT_TRUE(read.Entries[1].Checked);
  EXPECT_EQ(read.Entries[2].Text, "Web (TCP port 80 )");
  EXPECT_EQ(read.Entries[2].Key, "Custom_2");
  // Kept whole, so the next save loses nothing of it.
  EXPECT_EQ(read.Entries[3].Text, "Old entry without flag");
  EXPECT_FALSE(read.Entries[3].Checked);
  const std::string log = errLog();
  for (const char* bad : {"(x)", "(12)", "(0)", "(Custom_1)", "(Custom_3)"})
    EXPECT_NE(log.find(bad), std::string::npos) << bad;
  EXPECT_NE(log.find("setValues of Form frmProgramControlProgramOption"), std::string::npos);
}

TEST_F(ProgramOptions_, CheckedPresetsAndCustomEntriesGiveThePairsTheLoaderReads) {
  auto key = storeProgram("C:\\Apps\\Server.exe", {});
  ProgramOptions o;
  o.AllowAccess = 1;
  o.Authenticate = 0;
  o.ICMP = true;
  o.Entries = {preset(5, true), preset(6, true), preset(1, false),
               custom("Both (TCP and UDP port 8080 )", true, 1), custom("One (TCP port 8080 )", true, 2),
               custom("Off (UDP port 1000-2000)", false, 3)};
  ASSERT_TRUE(SaveData(program(key), o, strProgramControlFile));
  EXPECT_EQ(stored(key, "Ports"), "5,6,1");
  EXPECT_EQ(stored(key, "CheckedPorts"), "5,6");
  EXPECT_EQ(stored(key, "ICMP_Protocol"), "1");
  EXPECT_EQ(stored(key, "IGMP_Protocol"), "0");
  EXPECT_EQ(stored(key, "NoCustomizePorts"), "3");
  EXPECT_EQ(stored(key, "Custom_1"), "Both (TCP and UDP port 8080 )_1");
  EXPECT_EQ(stored(key, "Custom_3"), "Off (UDP port 1000-2000)_0");
  // The port text is the loader's, blank included, for every protocol.
  EXPECT_EQ(pairs(key), (Pairs{{"TCP", "53"},
                               {"UDP", "53"},
                               {"UDP", "67"},
                               {"TCP", "8080 "},
                               {"UDP", "8080 "},
                               {"TCP", "8080 "}}));
  EXPECT_EQ(program(key).CustomEntries.size(), 3u);
  EXPECT_EQ(program(key).NoCustomizePorts, 3);
  expectObjectAsLoaded(key);
}

TEST_F(ProgramOptions_, AnEmptyListStoresEmptyListsAndNoPairs) {
  StoredOptions old;
  old.ports = "1";
  old.checkedPorts = "1";
  old.custom = {"Web (TCP port 80 )_1"};
  auto key = storeProgram("C:\\Apps\\Mail.exe", old);
  ProgramOptions o;
  o.AllowAccess = 1;
  ASSERT_TRUE(SaveData(program(key), o, strProgramControlFile));
  EXPECT_EQ(stored(key, "AllowAccess"), "1");
  EXPECT_EQ(stored(key, "Ports"), "");
  EXPECT_EQ(stored(key, "CheckedPorts"), "");
  EXPECT_EQ(stored(key, "NoCustomizePorts"), "");
  EXPECT_EQ(stored(key, "Custom_1"), "<missing>");
  EXPECT_EQ(program(key).NoCustomizePorts, 0);
  EXPECT_TRUE(program(key).CustomEntries.empty());
  EXPECT_TRUE(pairs(key).empty());
  expectObjectAsLoaded(key);
}

TEST_F(ProgramOptions_, AStoredModeFarBeyondAnyIntCountsAsUnreadable) {
  StoredOptions o;
  o.allowAccess = "5555555555";
  o.authenticate = "-5555555555";
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  ProgramOptions read = ReadProgramOptions(program(key), strProgramControlFile);
  EXPECT_EQ(read.AllowAccess, -1);
  EXPECT_EQ(read.Authenticate, -1);
}

TEST_F(ProgramOptions_, ASectionOutOfOrderOrWithoutAKeyIsRewrittenInTheFixedOrder) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", {});
  const std::string name = program(key).ProgramName;
  const std::string path = program(key).Path;
  // Written by hand: Ports missing, AllowAccess behind CheckedPorts, a key of
  // another writer in the middle.
  EXPECT_TRUE(WriteINISection(name,
                  {{"Version", "4.2"}, {"Column1", "0"}, {"Column2", "1"}, {"Column3", "2"}, {"Column4", "1"},
                   {"Column5", "0"}, {"Column6", "1"}, {"Path", path}, {"Note", "kept"}, {"ICMP_Protocol", "0"},
                   {"IGMP_Protocol", "0"}, {"Authenticate", "2"}, {"CheckedPorts", ""}, {"AllowAccess", "0"},
                   {"NoCustomizePorts", "0"}},
                  strProgramControlFile, true));
  ProgramOptions o;
  o.AllowAccess = 2;  // the authentication is not chosen: its stored value stays
  o.Entries = {preset(4, true)};
  ASSERT_TRUE(SaveData(program(key), o, strProgramControlFile));
  EXPECT_EQ(storedKeys(key), fixedOrderThen({"Note"}));
  EXPECT_EQ(stored(key, "Version"), "4.2");
  EXPECT_EQ(stored(key, "Column6"), "1");
  EXPECT_EQ(stored(key, "Path"), path);
  EXPECT_EQ(stored(key, "Ports"), "4");
  EXPECT_EQ(stored(key, "AllowAccess"), "2");
  EXPECT_EQ(stored(key, "Authenticate"), "2");
  EXPECT_EQ(stored(key, "Note"), "kept");
  EXPECT_EQ(program(key).Authenticate, 2);
  // The loader sees the same program.
  mv::LoadProgramControlRules();
  EXPECT_EQ(program(key).AllowAccess, 2);
  EXPECT_EQ(program(key).LockState, "PassLock");
  EXPECT_EQ(pairs(key), (Pairs{{"TCP", "21"}}));
}

TEST_F(ProgramOptions_, AFailedSaveChangesNeitherTheFileNorTheObject) {
  StoredOptions old;
  old.ports = "1";
  old.checkedPorts = "1";
  auto key = storeProgram("C:\\Apps\\Mail.exe", old);
  const std::string before = readText("Profiles/ProgramControl.MVL");
  ProgramOptions o;
  o.AllowAccess = 2;
  o.Entries = {preset(10, true)};
  ASSERT_TRUE(platform::setReadOnly(strProgramControlFile, true));
  EXPECT_FALSE(SaveData(program(key), o, strProgramControlFile));
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), before);
  EXPECT_EQ(program(key).Ports, "1");
  EXPECT_EQ(program(key).AllowAccess, 0);
  EXPECT_EQ(pairs(key), (Pairs{{"TCP", "80"}}));
  ASSERT_TRUE(platform::setReadOnly(strProgramControlFile, false));

  // A section that is gone is not created again.
  EXPECT_TRUE(DeleteINISection(program(key).ProgramName, strProgramControlFile));
  EXPECT_FALSE(SaveData(program(key), o, strProgramControlFile));
  EXPECT_EQ(stored(key, "Path"), "<missing>");
  EXPECT_NE(errLog().find("SaveData of Form frmProgramControlProgramOption"), std::string::npos);
}

TEST_F(ProgramOptions_, AnEntryWhoseKeyNamesNoPresetIsNotStored) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", {});
  ProgramOptions o;
  o.AllowAccess = 1;
  o.Entries = {{"Odd", true, "Ports11"}, {"Odder", true, "Ports00"}, {"Other", true, "Zone1"}, preset(8, true)};
  ASSERT_TRUE(SaveData(program(key), o, strProgramControlFile));
  EXPECT_EQ(stored(key, "Ports"), "8");
  EXPECT_EQ(stored(key, "CheckedPorts"), "8");
  EXPECT_EQ(pairs(key), (Pairs{{"TCP", "110"}}));
  EXPECT_NE(errLog().find("(Ports11)"), std::string::npos);
}

TEST_F(ProgramOptions_, ServerCommandsAddTheirPresetsCheckedAndNothingTwice) {
  std::vector<PortEntry> entries = {preset(8, false)};
  EXPECT_EQ(AddServerPresets(entries, "mnuMailServers"), 2);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_FALSE(entries[0].Checked);  // unchecked by the user, it stays so
  EXPECT_EQ(entries[1].Text, "MAIL servers SMTP (TCP port 25)");
  EXPECT_EQ(entries[1].Key, "Ports07");
  EXPECT_TRUE(entries[1].Checked);
  EXPECT_EQ(entries[2].Key, "Ports09");
  EXPECT_EQ(AddServerPresets(entries, "mnuMailServers"), 0);

  // Compared without regard to case.
  std::vector<PortEntry> typed = {{"web servers http (tcp port 80)", false, "Custom_1"}};
  EXPECT_EQ(AddServerPresets(typed, "mnuwebServers"), 2);
  EXPECT_EQ(typed[1].Key, "Ports02");
  EXPECT_EQ(typed[2].Key, "Ports03");

  const std::pair<const char*, std::vector<int>> commands[] = {
      {"mnuwebServers", {1, 2, 3}}, {"mnuFtpServers", {4}},  {"mnuDNSServers", {5}},      {"mnuDhcpServers", {6}},
      {"mnuMailServers", {7, 8, 9}}, {"mnuNewsServers", {10}}, {"mnuCustom", {}}, {"mnuwebservers", {}}};
  for (const auto& [command, presets] : commands) EXPECT_EQ(ServerCommandPresets(command), presets) << command;
  EXPECT_EQ(PresetText(0), "");
  EXPECT_EQ(PresetText(11), "");
  EXPECT_EQ(PresetText(10), "NEWS servers (TCP port 119)");
  EXPECT_EQ(PresetNumberOfKey("Ports10"), 10);
  EXPECT_EQ(PresetNumberOfKey("Ports1"), 0);
  EXPECT_EQ(PresetNumberOfKey("Custom_10"), 0);
}

TEST_F(ProgramOptions_, ATypedOrZeroToIsOnePort) {
  // The messages and the other entry forms are checked through the dialog.
  EXPECT_EQ(CustomPortEntryText({"Web", "80", "80", true, false}), "Web (TCP port 80 )");
  EXPECT_EQ(CustomPortEntryText({"Five", "5", "0", true, false}), "Five (TCP port 5 )");
  EXPECT_EQ(CheckCustomPort({"Five", "5", "0", true, false}), "");
  EXPECT_EQ(ParsePortEntry("Games (UDP port 1000-2000)_1"), (Pairs{{"UDP", "1000-2000"}}));
}

TEST_F(ProgramOptions_, CustomKeysCountTheCustomRowsAndAvoidKeysInUse) {
  EXPECT_EQ(NextCustomKey({}), "Custom_1");
  EXPECT_EQ(NextCustomKey({"Ports01", "Custom_1", "Custom_2"}), "Custom_3");
  // After Custom_2 of three was removed, 3 is still in use.
  EXPECT_EQ(NextCustomKey({"Custom_1", "Custom_3"}), "Custom_4");
  EXPECT_EQ(NextCustomKey({"Custom_2"}), "Custom_3");
}

TEST_F(ProgramOptions_, PortBoxesAndDescriptionsKeepTheirTextUsable) {
  EXPECT_EQ(KeepPortInRange("", true), "1");
  EXPECT_EQ(KeepPortInRange("0", true), "1");
  EXPECT_EQ(KeepPortInRange("70000", true), "65535");
  EXPECT_EQ(KeepPortInRange("99999999999", false), "65535");
  EXPECT_EQ(KeepPortInRange("080", true), "80");
  EXPECT_EQ(KeepPortInRange("8a0", true), "80");
  EXPECT_EQ(KeepPortInRange("", false), "");
  EXPECT_EQ(KeepPortInRange("0", false), "0");
  EXPECT_EQ(KeepPortInRange("65535", false), "65535");
  EXPECT_EQ(CleanDescription("My (new)\tserver\x7f"), "My newserver");
  EXPECT_EQ(CleanDescription("Caf\xc3\xa9 #2"), "Caf\xc3\xa9 #2");
}

}  // namespace
