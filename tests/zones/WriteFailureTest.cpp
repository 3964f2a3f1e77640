// Writes of the zones page and its entry dialogs that do not reach their
// files: the user is told, the dialog stays open, and the page and the files
// keep what they held. And the entries and their address rows after a write
// sequence that ended half-way: the start-up makes them agree again.
#include <QComboBox>
#include <algorithm>
#include <QRadioButton>
#include <filesystem>
#include <map>

#include "core/mdINIBas.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "tests/zones/ZonesPageSupport.h"
#include "zones/ZoneLevels.h"

using namespace mv;
using mvtest::ListRow;
using mvtest::tableRows;
using Rows = std::vector<mvtest::TableRow>;

namespace {

class WriteFailures : public mvtest::ZonesPageTest {
 protected:
  frmFirewall* page = nullptr;
  void SetUp() override {
    ZonesPageTest::SetUp();
    page = loadPage();
  }
  void reloadPage() {
    delete page;
    page = loadPage();
  }
  std::string notSaved(const std::string& what, const std::string& file) {
    // Messages name the file as the user finds it on disk.
    return what + " could not be saved in " + native("Profiles/" + platform::fileNamePart(file)) + ".";
  }
};

TEST_F(WriteFailures, AnAddThatCannotBeStoredLeavesNoRowAndKeepsTheDialogOpen) {
  const std::string master = readText("Profiles/MVDB.MVL");
  for (long table : {Database_IPSetting, Database_IPAddress}) {
    messages.clear();
    ASSERT_TRUE(platform::setReadOnly(TableFile(table), true));
    auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
      typeAddress(d.txtIP, {"10", "0", "0", "1"});
      QTest::keyClicks(d.txtDescription, "Router");
      d.cmdOk->click();
    });
    page->mnuPopupIPAddress_Click();
    EXPECT_EQ(dialog->leftOpen, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].prompt, notSaved("The entry 'Router'", TableFile(table)));
    EXPECT_TRUE(tableRows(Database_IPSetting).empty());
    EXPECT_TRUE(tableRows(Database_IPAddress).empty());
    EXPECT_TRUE(listRows(page->lvwZones).empty());
    // No counter moved on for rows that were not stored.
    EXPECT_EQ(readText("Profiles/MVDB.MVL"), master);
    ASSERT_TRUE(platform::setReadOnly(TableFile(table), false));
  }
}

// The disk fails after the change's record: the written file cannot be put
// back, nor the change written to its end. The record completes it later, so
// the entry counts as made: the user is told so, the page lists it and the
// dialog closes, and the next write stores it once.
TEST_F(WriteFailures, AnAddLeftToBeCompletedIsToldAsSuchAndStoredOnce) {
  bool failing = true;
  int writes = 0;
  platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    return (!failing || ++writes <= 2) && platform::writeNativeFileAtomic(native, bytes);
  });
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    typeAddress(d.txtIP, {"10", "0", "0", "1"});
    QTest::keyClicks(d.txtDescription, "Router");
    d.cmdOk->click();
  });
  page->mnuPopupIPAddress_Click();
  EXPECT_EQ(dialog->leftOpen, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("could not be saved"), std::string::npos);
  EXPECT_NE(messages[0].prompt.find("will be completed"), std::string::npos);
  EXPECT_EQ(names(page->lvwZones), (std::vector<std::string>{"Router"}));
  failing = false;
  ASSERT_TRUE(WriteINI("T", "k", "v", MasterFile(), false));
  const auto rows = tableRows(Database_IPSetting);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(std::find(rows[0].values.begin(), rows[0].values.end(), "Router"), rows[0].values.end());
}

TEST_F(WriteFailures, AnEditThatCannotBeStoredKeepsTheEntryItsAddressAndTheRow) {
  const std::string id = addEntry(Database_IPSetting, {"10.0.0.1", "Old", "10.0.0.1", "2"});
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0006", {"2", "2", "10.0.0.1", "10.0.0.1", id}, true));
  reloadPage();
  const Rows entries = tableRows(Database_IPSetting), addresses = tableRows(Database_IPAddress);
  ASSERT_TRUE(platform::setReadOnly(TableFile(Database_IPAddress), true));
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    d.cboZones->setCurrentIndex(0);
    d.cmdOk->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(dialog->leftOpen, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, notSaved("The entry 'Old'", TableFile(Database_IPAddress)));
  EXPECT_EQ(tableRows(Database_IPSetting), entries);
  EXPECT_EQ(tableRows(Database_IPAddress), addresses);
  EXPECT_EQ(listRows(page->lvwZones)[0][3], "Trusted");
}

TEST_F(WriteFailures, AnEditWhoseRowNumberCannotBeStoredLeavesEveryFileByteForByte) {
  for (const char* ip : {"10.0.0.1", "10.0.0.2"}) {
    const std::string id = addEntry(Database_IPSetting, {ip, ip, ip, "2"});
    EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, getNextLineNo(Database_IPAddress), {"2", "2", ip, ip, id}, true));
  }
  reloadPage();
  const std::vector<std::string> files = {"Profiles/Database_IPSetting.MVL", "Profiles/Database_IPAddress.MVL",
                                          "Profiles/MVDB.MVL"};
  std::vector<std::string> before;
  for (const auto& f : files) before.push_back(readText(f));
  ASSERT_TRUE(platform::setReadOnly(MasterFile(), true));
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    d.cboZones->setCurrentIndex(0);
    d.cmdOk->click();
  });
  clickRow(page->lvwZones, 0);
  page->cmdEdit->click();
  EXPECT_EQ(dialog->leftOpen, 1);
  ASSERT_EQ(messages.size(), 1u);
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(readText(files[i]), before[i]) << files[i];
}

TEST_F(WriteFailures, ARemoveThatCannotBeStoredKeepsTheRowAndTheFiles) {
  const std::string id = addEntry(Database_IPSetting, {"10.0.0.1", "Gate", "10.0.0.1", "2"});
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0006", {"2", "2", "10.0.0.1", "10.0.0.1", id}, true));
  reloadPage();
  const Rows entries = tableRows(Database_IPSetting), addresses = tableRows(Database_IPAddress);
  for (long table : {Database_IPSetting, Database_IPAddress}) {
    messages.clear();
    answers = {platform::vbYes};
    ASSERT_TRUE(platform::setReadOnly(TableFile(table), true));
    clickRow(page->lvwZones, 0);
    page->cmdRemove->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].prompt, notSaved("The removal of 'Gate'", TableFile(table)));
    EXPECT_EQ(tableRows(Database_IPSetting), entries);
    EXPECT_EQ(tableRows(Database_IPAddress), addresses);
    EXPECT_EQ(names(page->lvwZones), std::vector<std::string>{"Gate"});
    ASSERT_TRUE(platform::setReadOnly(TableFile(table), false));
  }
}

TEST_F(WriteFailures, ALevelThatCannotBeStoredGoesBack) {
  page->TabFireWall->setCurrentIndex(0);
  const int before = intInternetZoneLevel;
  const int other = before == 1 ? 2 : 1;
  ASSERT_TRUE(platform::setReadOnly(MasterFile(), true));
  page->optInternetZone[static_cast<size_t>(other)]->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, notSaved("The security level of the Internet Zone", MasterFile()));
  EXPECT_TRUE(page->optInternetZone[static_cast<size_t>(before)]->isChecked());
  EXPECT_EQ(intInternetZoneLevel, before);
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), std::to_string(before));
}

TEST_F(WriteFailures, ARaisedInternetLevelThatCannotBeStoredGoesBackAndIsTold) {
  page->TabFireWall->setCurrentIndex(0);
  page->optInternetZone[2]->click();
  ASSERT_EQ(intInternetZoneLevel, 2);
  ASSERT_TRUE(messages.empty());
  const int trusted = intTrustedZoneLevel;
  ASSERT_TRUE(platform::setReadOnly(MasterFile(), true));
  page->optInternetZone[3]->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, notSaved("The security level of the Internet Zone", MasterFile()));
  EXPECT_TRUE(page->optInternetZone[2]->isChecked());
  EXPECT_FALSE(page->optInternetZone[3]->isChecked());
  EXPECT_TRUE(page->optTrustedZone[static_cast<size_t>(trusted)]->isChecked());
  EXPECT_EQ(intInternetZoneLevel, 2);
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), "2");
}

TEST_F(WriteFailures, ATrustedLevelThatCannotBeStoredGoesBackAndIsTold) {
  page->TabFireWall->setCurrentIndex(0);
  const int before = intTrustedZoneLevel;
  const int other = before == 1 ? 2 : 1;
  ASSERT_LE(other, intInternetZoneLevel);
  ASSERT_TRUE(platform::setReadOnly(MasterFile(), true));
  page->optTrustedZone[static_cast<size_t>(other)]->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, notSaved("The security level of the Trusted Zone", MasterFile()));
  EXPECT_TRUE(page->optTrustedZone[static_cast<size_t>(before)]->isChecked());
  EXPECT_FALSE(page->optTrustedZone[static_cast<size_t>(other)]->isChecked());
  EXPECT_EQ(intTrustedZoneLevel, before);
  EXPECT_EQ(GetMasterValue(SelectedLevel, "2", ""), std::to_string(before));
}

TEST_F(WriteFailures, AnInternetLevelBelowTrustedStoresBothLevelsInOneWriteOrNeither) {
  page->TabFireWall->setCurrentIndex(0);
  page->optInternetZone[3]->click();
  page->optTrustedZone[2]->click();
  ASSERT_EQ(intTrustedZoneLevel, 2);
  int writes = 0;
  bool fail = true;
  platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    ++writes;
    return !fail && platform::writeNativeFileAtomic(native, bytes);
  });
  page->optInternetZone[1]->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, notSaved("The security level of the Internet Zone", MasterFile()));
  EXPECT_TRUE(page->optInternetZone[3]->isChecked());
  EXPECT_TRUE(page->optTrustedZone[2]->isChecked());
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), "3");
  EXPECT_EQ(GetMasterValue(SelectedLevel, "2", ""), "2");
  fail = false;
  writes = 0;
  page->optInternetZone[1]->click();
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_TRUE(page->optTrustedZone[1]->isChecked());
  EXPECT_EQ(intInternetZoneLevel, 1);
  EXPECT_EQ(intTrustedZoneLevel, 1);
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), "1");
  EXPECT_EQ(GetMasterValue(SelectedLevel, "2", ""), "1");
  platform::setProfileFileWriter(nullptr);
}

// ---------------------------------------------------------------------------
// Interrupted write sequences.

class Interruptions : public mvtest::ZonesPageTest {
 protected:
  // What the rules read for each entry, against what the page lists: every
  // listed entry has exactly the address row its values give, and no
  // address row belongs to no entry.
  void expectAgreement() {
    std::vector<std::string> expected, held;
    Read_TableData(Database_IPSetting, "IP,Zone,ID", "");
    for (long i = 0; i < arrQueryResult[0].Count; ++i) {
      const auto& v = arrQueryResult[static_cast<size_t>(i)].Values;
      expected.push_back("2 " + v[1] + " " + v[0] + " " + v[0] + " " + v[2]);
    }
    for (const auto& r : tableRows(Database_IPAddress))
      held.push_back(r.values[0] + " " + r.values[1] + " " + r.values[2] + " " + r.values[3] + " " + r.values[4]);
    std::sort(expected.begin(), expected.end());
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, expected);
  }
};

TEST_F(Interruptions, AddEditAndRemoveEndedAfterAnyWriteAreMendedAtTheNextStart) {
  const std::string kept = addEntry(Database_IPSetting, {"10.0.0.9", "Kept", "10.0.0.9", "2"});
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0006", {"2", "2", "10.0.0.9", "10.0.0.9", kept}, true));
  std::string id;
  const std::vector<std::pair<std::string, std::function<void()>>> sequences = {
      {"Add",
       [&] {
         static_cast<void>(StoreZoneEntry(Database_IPSetting, ipAddress,
                                          {{"IP", "10.0.0.1"}, {"Name", "New"}, {"Description", "10.0.0.1"}, {"Zone", "2"}},
                                          true, "", {}, id));
       }},
      {"Edit",
       [&] {
         std::string same;
         static_cast<void>(StoreZoneEntry(Database_IPSetting, ipAddress,
                                          {{"IP", "10.0.0.2"}, {"Name", "Kept"}, {"Description", "10.0.0.2"}, {"Zone", "1"}},
                                          false, kept, {}, same));
       }},
      {"Remove", [&] { static_cast<void>(RemoveZoneEntry({"Kept", "10.0.0.9", "IP Address", "Trusted", kept})); }},
  };
  const std::string start = readText("Profiles/Database_IPSetting.MVL"), startAddresses = readText("Profiles/Database_IPAddress.MVL"),
                    startMaster = readText("Profiles/MVDB.MVL");
  auto restore = [&] {
    writeText("Profiles/Database_IPSetting.MVL", start);
    writeText("Profiles/Database_IPAddress.MVL", startAddresses);
    writeText("Profiles/MVDB.MVL", startMaster);
    platform::profileClearCache();
  };
  for (const auto& [name, sequence] : sequences) {
    const int writes = writesOf(sequence);
    EXPECT_GE(writes, 2) << name;
    for (int done = 0; done < writes; ++done) {
      SCOPED_TRACE(name + " ended after " + std::to_string(done) + " writes");
      restore();
      writeText("Err.log", "");
      endAfter(done);
      sequence();
      platform::setProfileFileWriter(nullptr);
      platform::profileFinishPendingChange();
      const int repairs = ReconcileZoneAddresses();
      expectAgreement();
      const std::string log = readText("Err.log");
      size_t logged = 0;
      for (size_t at = log.find("ReconcileZoneAddresses of mdlZoneEntry"); at != std::string::npos;
           at = log.find("ReconcileZoneAddresses of mdlZoneEntry", at + 1))
        ++logged;
      EXPECT_EQ(logged, static_cast<size_t>(repairs));
      // A second start finds nothing left to mend.
      EXPECT_EQ(ReconcileZoneAddresses(), 0);
    }
    restore();
  }
}

TEST_F(Interruptions, AHostNameEndedAfterAnyWriteIsNeverLeftWithoutAddressRows) {
  const EntryValues host = {{"HostName", "h.example"}, {"Name", "H"}, {"Description", "h.example"}, {"Zone", "2"}};
  std::string kept;
  ASSERT_EQ(StoreZoneEntry(Database_HostSetting, ipHostName, host, true, "", {"1.1.1.1", "1.1.1.2"}, kept),
            EntrySaved::Saved);
  EntryValues blocked = host;
  blocked[3].Value = "1";
  const std::vector<std::function<void()>> sequences = {
      [&] {
        std::string id;
        static_cast<void>(StoreZoneEntry(Database_HostSetting, ipHostName, host, true, "", {"3.3.3.3"}, id));
      },
      [&] {
        std::string id;
        static_cast<void>(StoreZoneEntry(Database_HostSetting, ipHostName, blocked, false, kept, {"2.2.2.1", "2.2.2.2"}, id));
      }};
  const std::string entries = readText("Profiles/Database_HostSetting.MVL"),
                    addresses = readText("Profiles/Database_IPAddress.MVL"), master = readText("Profiles/MVDB.MVL");
  for (const auto& sequence : sequences) {
    const int writes = writesOf(sequence);
    for (int done = 0; done < writes; ++done) {
      writeText("Profiles/Database_HostSetting.MVL", entries);
      writeText("Profiles/Database_IPAddress.MVL", addresses);
      writeText("Profiles/MVDB.MVL", master);
      platform::profileClearCache();
      endAfter(done);
      sequence();
      platform::setProfileFileWriter(nullptr);
      platform::profileFinishPendingChange();
      ReconcileZoneAddresses();
      // Every host listed has address rows in its own zone, and no row is
      // left without its entry.
      Read_TableData(Database_HostSetting, "Zone,ID", "");
      const std::vector<QueryRow> hosts(arrQueryResult.begin(), arrQueryResult.begin() + arrQueryResult[0].Count);
      size_t held = 0;
      for (const QueryRow& h : hosts) {
        Read_TableData(Database_IPAddress, "Zone", "ID=" + h.Values[1]);
        EXPECT_GT(arrQueryResult[0].Count, 0) << "after " << done << " writes";
        for (long i = 0; i < arrQueryResult[0].Count; ++i) EXPECT_EQ(arrQueryResult[static_cast<size_t>(i)].Values[0], h.Values[0]);
        held += static_cast<size_t>(arrQueryResult[0].Count);
      }
      EXPECT_EQ(tableRows(Database_IPAddress).size(), held) << "after " << done << " writes";
    }
  }
}

TEST_F(Interruptions, EntriesThatShareAnIDOrHaveNoneAreGivenIDsOfTheirOwnOnceAndASecondStartRepairsNothing) {
  auto write = [](long table, const std::string& section, const std::vector<std::string>& values) {
    EXPECT_TRUE(Write_MorvantisNewData(table, section, values, false));
  };
  // Two addresses share an ID and the rows hold only the second one's; a
  // range and a subnet have no ID; a host name shares its ID with an address.
  write(Database_IPSetting, "0001", {"10.0.0.1", "A", "10.0.0.1", "2", "000050"});
  write(Database_IPSetting, "0002", {"10.0.0.2", "B", "10.0.0.2", "1", "000050"});
  write(Database_IPRangeSetting, "0001", {"10.1.0.1", "10.1.0.9", "R", "10.1.0.1 - 10.1.0.9", "3", ""});
  write(Database_SubnetSetting, "0006", {"10.2.0.0", "255.255.0.0", "S", "10.2.0.0/255.255.0.0", "1", "0", ""});
  write(Database_HostSetting, "0001", {"h.example", "H", "h.example", "1", "000060"});
  write(Database_IPSetting, "0003", {"10.0.0.3", "C", "10.0.0.3", "2", "000060"});
  // Two host names share an ID: their rows go by their zones.
  write(Database_HostSetting, "0002", {"x.example", "X", "x.example", "2", "000070"});
  write(Database_HostSetting, "0003", {"y.example", "Y", "y.example", "1", "000070"});
  // An address shares the ID of a detected network.
  const std::string network = addNetwork("0001", "192.168.1.0");
  write(Database_IPSetting, "0004", {"10.0.0.4", "D", "10.0.0.4", "3", network});
  write(Database_IPAddress, "0006", {"2", "1", "10.0.0.2", "10.0.0.2", "000050"});
  write(Database_IPAddress, "0007", {"3", "3", "10.1.0.1", "10.1.0.9", ""});
  write(Database_IPAddress, "0008", {"1", "1", "192.0.2.1", "192.0.2.1", "000060"});
  write(Database_IPAddress, "0009", {"1", "2", "192.0.2.7", "192.0.2.7", "000070"});
  write(Database_IPAddress, "0010", {"1", "1", "192.0.2.8", "192.0.2.8", "000070"});
  EXPECT_GT(ReconcileZoneAddresses(), 0);
  const std::vector<std::string> files = {"Database_IPSetting", "Database_IPRangeSetting", "Database_SubnetSetting",
                                          "Database_HostSetting", "Database_IPAddress", "MVDB"};
  std::vector<std::string> after;
  for (const auto& f : files) after.push_back(readText("Profiles/" + f + ".MVL"));
  writeText("Err.log", "");
  EXPECT_EQ(ReconcileZoneAddresses(), 0);
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(readText("Profiles/" + files[i] + ".MVL"), after[i]) << files[i];
  EXPECT_EQ(readText("Err.log"), "");
  // Every entry has an ID of its own, and the rules hold for each exactly
  // what its values give; a host name holds the addresses of its zone.
  std::vector<std::string> ids, held;
  for (long table : {Database_IPSetting, Database_IPRangeSetting, Database_SubnetSetting, Database_HostSetting}) {
    Read_TableData(table, "ID", "");
    for (long i = 0; i < arrQueryResult[0].Count; ++i) ids.push_back(arrQueryResult[static_cast<size_t>(i)].Values[0]);
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  EXPECT_EQ(std::count(ids.begin(), ids.end(), ""), 0);
  for (const auto& r : tableRows(Database_IPAddress)) {
    const std::string name = [&] {
      for (long table : {Database_IPSetting, Database_IPRangeSetting, Database_SubnetSetting, Database_HostSetting}) {
        Read_TableData(table, "Name", "ID=" + r.values[4]);
        if (arrQueryResult[0].Count > 0) return arrQueryResult[0].Values[0];
      }
      return std::string("?");
    }();
    held.push_back(name + " " + r.values[1] + " " + r.values[2] + "-" + r.values[3]);
  }
  std::sort(held.begin(), held.end());
  EXPECT_EQ(held, (std::vector<std::string>{"A 2 10.0.0.1-10.0.0.1", "B 1 10.0.0.2-10.0.0.2", "C 2 10.0.0.3-10.0.0.3",
                                            "D 3 10.0.0.4-10.0.0.4", "H 1 192.0.2.1-192.0.2.1",
                                            "New Network 2 192.168.1.0/24-192.168.1.0/24", "R 3 10.1.0.1-10.1.0.9",
                                            "S 1 10.2.0.0/16-10.2.0.0/16", "X 2 192.0.2.7-192.0.2.7",
                                            "Y 1 192.0.2.8-192.0.2.8"}));
}

TEST_F(Interruptions, TheStartsRepairsEndedAfterAnyWriteLeaveTheSettingsAsBeforeOrWhollyRepaired) {
  auto write = [](long table, const std::string& section, const std::vector<std::string>& values) {
    EXPECT_TRUE(Write_MorvantisNewData(table, section, values, false));
  };
  // Two addresses share an ID and the rows hold only the second one's; an
  // address row belongs to no entry. Mending them touches the address table,
  // the entry table and the master file's counters.
  write(Database_IPSetting, "0001", {"10.0.0.1", "A", "10.0.0.1", "2", "000050"});
  write(Database_IPSetting, "0002", {"10.0.0.2", "B", "10.0.0.2", "1", "000050"});
  write(Database_IPAddress, "0006", {"2", "1", "10.0.0.2", "10.0.0.2", "000050"});
  write(Database_IPAddress, "0007", {"2", "2", "198.51.100.66", "198.51.100.66", "000021"});
  const std::string profiles = native("Profiles");
  auto settings = [&] {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(profiles))
      files[e.path().filename().string()] = readText("Profiles/" + e.path().filename().string());
    return files;
  };
  const auto before = settings();
  const int writes = writesOf([] { ReconcileZoneAddresses(); });
  const auto after = settings();
  ASSERT_NE(after, before);
  for (int done = 0; done < writes; ++done) {
    for (const auto& [name, text] : before) writeText("Profiles/" + name, text);
    platform::profileClearCache();
    endAfter(done);
    ReconcileZoneAddresses();
    platform::setProfileFileWriter(nullptr);
    // The next start.
    platform::profileFinishPendingChange();
    const auto now = settings();
    EXPECT_TRUE(now == before || now == after) << "ended after " << done << " of " << writes << " writes";
  }
}

TEST_F(Interruptions, TheDetectedNetworksRowsAreLeftAsTheyAre) {
  addNetwork("0001", "192.168.1.0");
  const Rows before = tableRows(Database_IPAddress);
  EXPECT_EQ(ReconcileZoneAddresses(), 0);
  EXPECT_EQ(tableRows(Database_IPAddress), before);
}

}  // namespace
