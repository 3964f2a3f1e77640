// Entries added through the dialogs reach the rule file at the next Apply.
#include <QComboBox>
#include <set>
#include <sstream>

#include "rules/mdlRules.h"
#include "tests/rules/RulesFixture.h"
#include "tests/zones/ZonesPageSupport.h"

using namespace mv;

namespace {

class ZoneRuleFile : public mvtest::ZonesPageTest {
 protected:
  void SetUp() override {
    ZonesPageTest::SetUp();
    mvtest::resetStoreGlobals();
    intTrustedZoneLevel = intInternetZoneLevel = 1;
    DefaultAccessTrusted = DefaultAccessInternet = DefaultServerTrusted = DefaultServerInternet = 2;
    arrTrustedHighSettings = arrInternetHighSettings = std::vector<PortSettingRec>(13);
    arrTrustedMediumSettings = arrInternetMediumSettings = std::vector<PortSettingRec>(12);
  }

  template <class D>
  void add(frmFirewall* page, void (frmFirewall::*command)(), int zone, std::function<void(D&)> fill) {
    auto driver = onDialog<D>([&](D& d) {
      fill(d);
      d.cboZones->setCurrentIndex(zone);
      d.cmdOk->click();
    });
    (page->*command)();
    ASSERT_EQ(driver->opened, 1);
    ASSERT_EQ(driver->leftOpen, 0);
  }
  static void named(ZoneEntryDialog& d, const char* name) { QTest::keyClicks(d.txtDescription, name); }
};

}  // namespace

TEST_F(ZoneRuleFile, OneEntryOfEachKindInBlockedAndTrustedReachesTheRuleFile) {
  fakeResolver({{"bad.example", {{203, 0, 113, 7}, {203, 0, 113, 8}}}, {"good.example", {{198, 51, 100, 4}}}});
  frmFirewall* page = loadPage();
  const int blocked = 0, trusted = 1;
  for (auto [zone, host] : {std::pair{blocked, "bad.example"}, std::pair{trusted, "good.example"}})
    add<frmAddHostSite>(page, &frmFirewall::mnuPopupHostSite_Click, zone, [host = host](frmAddHostSite& d) {
      QTest::keyClicks(d.txtHostName, host);
      named(d, "host");
    });
  for (auto [zone, last] : {std::pair{blocked, "3"}, std::pair{trusted, "20"}})
    add<frmAddIPAddress>(page, &frmFirewall::mnuPopupIPAddress_Click, zone, [last = last](frmAddIPAddress& d) {
      typeAddress(d.txtIP, {"10", "1", "2", last});
      named(d, "address");
    });
  for (auto [zone, third] : {std::pair{blocked, "0"}, std::pair{trusted, "2"}})
    add<frmAddIPRange>(page, &frmFirewall::mnuPopupIPRange_Click, zone, [third = third](frmAddIPRange& d) {
      typeAddress(d.txtIPStart, {"10", "0", third, "1"});
      typeAddress(d.txtIPEnd, {"10", "0", third, "9"});
      named(d, "range");
    });
  for (auto [zone, second] : {std::pair{blocked, "16"}, std::pair{trusted, "17"}})
    add<frmAddSubnet>(page, &frmFirewall::mnuPopupSubnet_Click, zone, [second = second](frmAddSubnet& d) {
      typeAddress(d.txtIP, {"172", second, "0", "0"});
      typeAddress(d.txtSubnet, {"255", "255", "0", "0"});
      named(d, "subnet");
    });
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 8);
  ASSERT_TRUE(blnZoneDataChanged);

  LoadBlockingRules(false);
  EXPECT_FALSE(blnZoneDataChanged);
  EXPECT_EQ(readText("System32/drivers/etc/mvd.conf"),
            mvtest::goldenText("tests/zones/golden/entries_blocked_trusted.conf"));
}

TEST_F(ZoneRuleFile, AHostNameEditEndedAfterAnyWriteComesBackWholeOnThePageAndInTheRules) {
  std::string id;
  ASSERT_EQ(StoreZoneEntry(Database_HostSetting, ipHostName,
                           {{"HostName", "old.example"}, {"Name", "Old"}, {"Description", "old.example"}, {"Zone", "2"}},
                           true, "", {"192.0.2.1", "192.0.2.2"}, id),
            EntrySaved::Saved);
  const auto edit = [&] {
    std::string same;
    static_cast<void>(StoreZoneEntry(
        Database_HostSetting, ipHostName,
        {{"HostName", "new.example"}, {"Name", "New"}, {"Description", "new.example"}, {"Zone", "1"}}, false, id,
        {"198.51.100.7"}, same));
  };
  // What the page lists and what the rules do with each address: as before
  // the Edit, or as after it.
  using State = std::pair<std::vector<mvtest::ListRow>, std::vector<std::string>>;
  const auto state = [&] {
    delete LoadedForm<frmFirewall>();
    frmFirewall* page = loadPage();
    blnZoneDataChanged = true;
    LoadBlockingRules(false);
    std::set<std::string> marked;
    std::istringstream rules(readText("System32/drivers/etc/mvd.conf"));
    for (std::string line; std::getline(rules, line);)
      for (const char* address : {"192.0.2.1 ", "192.0.2.2 ", "198.51.100.7 "})
        if (line.find(address) != std::string::npos) marked.insert(address + line.substr(line.size() - 2, 1));
    return State{listRows(page->lvwZones), {marked.begin(), marked.end()}};
  };
  const State before{{{"Old", "old.example", "Host Name", "Trusted", id}}, {"192.0.2.1 T", "192.0.2.2 T"}};
  const State after{{{"New", "new.example", "Host Name", "Blocked", id}}, {"198.51.100.7 B"}};
  ASSERT_EQ(state(), before);
  const std::vector<std::string> files = {"Profiles/Database_HostSetting.MVL", "Profiles/Database_IPAddress.MVL",
                                          "Profiles/MVDB.MVL"};
  std::vector<std::string> start;
  for (const auto& f : files) start.push_back(readText(f));
  const int writes = writesOf(edit);
  EXPECT_GE(writes, 2);
  for (int done = 0; done <= writes; ++done) {
    SCOPED_TRACE("ended after " + std::to_string(done) + " writes");
    for (size_t i = 0; i < files.size(); ++i) writeText(files[i], start[i]);
    platform::profileClearCache();
    endAfter(done);
    edit();
    // The next start.
    platform::setProfileFileWriter(nullptr);
    platform::profileFinishPendingChange();
    ReconcileZoneAddresses();
    const State now = state();
    EXPECT_TRUE(now == before || now == after) << ::testing::PrintToString(now);
    if (done == writes) {
      EXPECT_EQ(now, after);
    }
  }
}
