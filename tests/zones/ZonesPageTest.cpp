// The zones page: the order and cells of its list, the details of the
// selected entry, sorting, Remove, the login gate, Edit of each kind of entry
// and the ways the main window opens the page and its Add menu.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

#include "core/frmLogin.h"
#include "core/frmMorvantisSettings.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "tests/zones/ZonesPageSupport.h"

using namespace mv;
using mvtest::ListRow;
using mvtest::TableRow;
using mvtest::tableRows;
using Rows = std::vector<TableRow>;

namespace {

class ZonesPage : public mvtest::ZonesPageTest {
 protected:
  // One entry of each kind, a detected network stored after them, a second
  // subnet-table row that is a detected network, and an address in zone 7.
  void layOutEveryKind() {
    subnetID = addEntry(Database_SubnetSetting, {"172.16.0.0", "255.255.0.0", "Office", "172.16.0.0/255.255.0.0", "1", "0"});
    hostID = addEntry(Database_HostSetting, {"www.example.com", "Example", "www.example.com", "1"});
    rangeID = addEntry(Database_IPRangeSetting, {"10.0.0.1", "10.0.0.9", "Lab", "10.0.0.1 - 10.0.0.9", "2"});
    ipID = addEntry(Database_IPSetting, {"192.168.1.20", "Printer", "192.168.1.20", "2"});
    oddID = addEntry(Database_IPSetting, {"192.168.1.21", "Odd zone", "192.168.1.21", "7"});
    networkID = addNetwork("0001", "192.168.1.0");
    EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, getNextLineNo(Database_IPAddress), {"4", "1", "172.16.0.0/16", "172.16.0.0/16", subnetID}, true));
    EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, getNextLineNo(Database_IPAddress), {"2", "2", "192.168.1.20", "192.168.1.20", ipID}, true));
    blnZoneDataChanged = false;  // as after an Apply
  }
  std::string subnetID, hostID, rangeID, ipID, oddID, networkID;

  std::unique_ptr<mvtest::ModalDriver> onLogin(bool cancel) {
    return std::make_unique<mvtest::ModalDriver>([] { return LoginFormIfLoaded(); }, [cancel] {
      if (cancel) LoginFormIfLoaded()->cmdCancel_Click();
    });
  }
};

}  // namespace

TEST_F(ZonesPage, ListsTheNetworkOnceAndFirstThenHostsRangesAddressesSubnets) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  EXPECT_EQ(mvtest::ZonesPageTest::listRows(page->lvwZones),
            (std::vector<ListRow>{{"New Network", "192.168.1.0/255.255.255.0", "Network", "Trusted", networkID},
                                  {"Example", "www.example.com", "Host Name", "Blocked", hostID},
                                  {"Lab", "10.0.0.1 - 10.0.0.9", "IP Range", "Trusted", rangeID},
                                  {"Printer", "192.168.1.20", "IP Address", "Trusted", ipID},
                                  {"Odd zone", "192.168.1.21", "IP Address", "", oddID},
                                  {"Office", "172.16.0.0/255.255.0.0", "Subnet", "Blocked", subnetID}}));
  QTreeWidget* list = page->lvwZones;
  EXPECT_EQ(list->headerItem()->text(0), "Name");
  EXPECT_EQ(list->headerItem()->text(1), "IP Address/Site");
  EXPECT_EQ(list->headerItem()->text(2), "Entry Type");
  EXPECT_EQ(list->headerItem()->text(3), "Zone");
  EXPECT_EQ(list->headerItem()->text(4), "ID");
  // The first entry is selected and shown in the details.
  EXPECT_EQ(page->lblZoneNameInfo->text(), "New Network");
  EXPECT_EQ(page->lblZoneInfo->text(), "Trusted");
  EXPECT_EQ(page->lblEntryTypeInfo->text(), "Network");
  EXPECT_EQ(page->lblIPAddressSiteInfo->text(), "192.168.1.0/255.255.255.0");
  EXPECT_TRUE(page->cmdEdit->isEnabled());
  EXPECT_TRUE(page->cmdRemove->isEnabled());
  EXPECT_EQ(page->TabFireWall->count(), 2);
  EXPECT_EQ(page->TabFireWall->tabText(0), "Main");
  EXPECT_EQ(page->TabFireWall->tabText(1), "Zones");
  EXPECT_EQ(page->lbFirewallZonesFooter->text().toStdString(),
            "You can add computers and networks to your Trusted or Blocked Zone.\r\nAll traffic sources not listed "
            "here are in the internet zone by default.");
  EXPECT_EQ(page->lbFirewallMainFooter->text().toStdString(),
            "The Morvantis security protects you from hackers. It has three zones Trusted, Internet and Blocked."
            "\r\nThe Internet Zone contains all the host/site by default. Use the Zones tab to add the host/site "
            "to the Trusted or Blocked Zone.");
}

TEST_F(ZonesPage, EmptyTablesLeaveEditAndRemoveDisabledAndTheDetailsEmpty) {
  frmFirewall* page = loadPage();
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 0);
  EXPECT_FALSE(page->cmdEdit->isEnabled());
  EXPECT_FALSE(page->cmdRemove->isEnabled());
  for (QLabel* l : {page->lblZoneNameInfo, page->lblZoneInfo, page->lblEntryTypeInfo, page->lblIPAddressSiteInfo})
    EXPECT_TRUE(l->text().isEmpty());
  // Edit and Remove with nothing to act on do nothing.
  page->cmdEdit->setEnabled(true);
  page->cmdEdit->click();
  page->cmdRemove->setEnabled(true);
  page->cmdRemove->click();
  EXPECT_TRUE(messages.empty());
}

TEST_F(ZonesPage, ClicksAndMovingKeysShowTheSelectedEntry) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  clickRow(page->lvwZones, 2);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "Lab");
  EXPECT_EQ(page->lblIPAddressSiteInfo->text(), "10.0.0.1 - 10.0.0.9");
  QTest::keyClick(page->lvwZones, Qt::Key_Down);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "Printer");
  EXPECT_EQ(page->lblEntryTypeInfo->text(), "IP Address");
  QTest::keyClick(page->lvwZones, Qt::Key_End);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "Office");
  QTest::keyClick(page->lvwZones, Qt::Key_Home);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "New Network");
  // Other keys leave the details alone, even when the selection moved.
  page->lvwZones->setCurrentItem(page->lvwZones->topLevelItem(3));
  QTest::keyClick(page->lvwZones, Qt::Key_Left);
  QTest::keyClick(page->lvwZones, Qt::Key_A);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "New Network");
}

TEST_F(ZonesPage, HeaderClicksSortAndTheSameHeaderTogglesTheOrder) {
  addEntry(Database_IPSetting, {"10.0.0.2", "bravo", "10.0.0.2", "3"});
  addEntry(Database_IPSetting, {"10.0.0.1", "alpha", "10.0.0.1", "1"});
  addEntry(Database_IPSetting, {"10.0.0.3", "charlie", "10.0.0.3", "2"});
  frmFirewall* page = loadPage();
  QTreeWidget* list = page->lvwZones;
  EXPECT_EQ(names(list), (std::vector<std::string>{"bravo", "alpha", "charlie"}));
  // The name column is the sort key from the start, so its first click
  // turns the order round.
  clickHeader(list, 0);
  EXPECT_EQ(names(list), (std::vector<std::string>{"charlie", "bravo", "alpha"}));
  clickHeader(list, 0);
  EXPECT_EQ(names(list), (std::vector<std::string>{"alpha", "bravo", "charlie"}));
  clickHeader(list, 3);  // Zone, ascending
  EXPECT_EQ(names(list), (std::vector<std::string>{"alpha", "bravo", "charlie"}));
  clickHeader(list, 3);
  EXPECT_EQ(names(list), (std::vector<std::string>{"charlie", "bravo", "alpha"}));
  clickHeader(list, 1);  // another column: ascending again
  EXPECT_EQ(names(list), (std::vector<std::string>{"alpha", "bravo", "charlie"}));
}

TEST_F(ZonesPage, TheDetectedNetworkCannotBeRemoved) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  const auto before = tableRows(Database_SubnetSetting);
  page->cmdRemove->click();  // the network is the selected row
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "You can't delete active network.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical + platform::vbOKOnly);
  EXPECT_EQ(messages[0].title, "Morvantis");
  EXPECT_EQ(tableRows(Database_SubnetSetting), before);
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 6);
  EXPECT_FALSE(blnZoneDataChanged);
}

TEST_F(ZonesPage, RemoveAsksAndYesDeletesTheEntryWithItsAddressRows) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  clickRow(page->lvwZones, 3);  // Printer
  const auto addressesBefore = tableRows(Database_IPAddress);

  answers = {platform::vbNo};
  page->cmdRemove->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Are you sure do you want to remove 'Printer'?");
  EXPECT_EQ(messages[0].buttons, platform::vbYesNo + platform::vbQuestion);
  EXPECT_EQ(tableRows(Database_IPAddress), addressesBefore);
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 6);
  EXPECT_FALSE(blnZoneDataChanged);

  answers = {platform::vbYes};
  page->cmdRemove->click();
  EXPECT_TRUE(blnZoneDataChanged);
  for (const auto& row : tableRows(Database_IPSetting)) EXPECT_NE(row.values.back(), ipID);
  EXPECT_EQ(tableRows(Database_IPSetting).size(), 1u);
  for (const auto& row : tableRows(Database_IPAddress)) EXPECT_NE(row.values.back(), ipID);
  EXPECT_EQ(tableRows(Database_IPAddress).size(), addressesBefore.size() - 1);
  EXPECT_EQ(names(page->lvwZones), (std::vector<std::string>{"New Network", "Example", "Lab", "Odd zone", "Office"}));
  // The details are blank although entries remain; the buttons stay on.
  EXPECT_TRUE(page->lblZoneNameInfo->text().isEmpty());
  EXPECT_TRUE(page->lblIPAddressSiteInfo->text().isEmpty());
  EXPECT_TRUE(page->cmdRemove->isEnabled());
  EXPECT_TRUE(page->cmdEdit->isEnabled());
}

TEST_F(ZonesPage, ARightClickSelectsAndShowsTheRowThatRemoveThenRemoves) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  clickRow(page->lvwZones, 2);  // Lab
  clickRow(page->lvwZones, 3, false, Qt::RightButton);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "Printer");
  EXPECT_EQ(page->lblEntryTypeInfo->text(), "IP Address");
  answers = {platform::vbYes};
  page->cmdRemove->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Are you sure do you want to remove 'Printer'?");
  EXPECT_EQ(names(page->lvwZones), (std::vector<std::string>{"New Network", "Example", "Lab", "Odd zone", "Office"}));
}

TEST_F(ZonesPage, TheTypeZoneAndIDColumnsHoldTheirLongestTexts) {
  frmFirewall* page = loadPage();
  page->resize(560, 360);  // the page at the window's smallest size
  const QFontMetrics metrics(page->lvwZones->font());
  auto fits = [&](int column, std::initializer_list<const char*> texts) {
    for (const char* t : texts)
      EXPECT_GT(page->lvwZones->columnWidth(column), metrics.horizontalAdvance(QString::fromLatin1(t)) + 8) << t;
  };
  fits(2, {"Entry Type", "Network", "Host Name", "IP Range", "IP Address", "Subnet"});
  fits(3, {"Blocked", "Trusted", "Internet"});
  fits(4, {"000000"});
}

TEST_F(ZonesPage, RemovingTheLastEntryDisablesEditAndRemove) {
  addEntry(Database_HostSetting, {"www.example.com", "Example", "www.example.com", "1"});
  frmFirewall* page = loadPage();
  answers = {platform::vbYes};
  page->cmdRemove->click();
  EXPECT_TRUE(tableRows(Database_HostSetting).empty());
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 0);
  EXPECT_FALSE(page->cmdRemove->isEnabled());
  EXPECT_FALSE(page->cmdEdit->isEnabled());
}

TEST_F(ZonesPage, ARefusedLoginLetsNoCommandThrough) {
  layOutEveryKind();
  strPassword = "secret";
  frmFirewall* page = loadPage();  // loading asks nothing
  clickRow(page->lvwZones, 3);
  auto login = onLogin(true);
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) { d.cmdCancel_Click(); });
  answers = {platform::vbYes};
  page->cmdRemove->click();
  page->cmdEdit->click();
  clickRow(page->lvwZones, 3, true);
  page->cmdAdd->click();
  EXPECT_EQ(login->opened, 4);
  EXPECT_EQ(dialog->opened, 0);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(tableRows(Database_IPSetting).size(), 2u);
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 6);
}

TEST_F(ZonesPage, EditFillsEachDialogFromTheStoredEntry) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  int seen = 0;
  auto ip = onDialog<frmAddIPAddress>([&](frmAddIPAddress& d) {
    ++seen;
    EXPECT_EQ(d.windowTitle(), "Edit IP Address");
    EXPECT_EQ(d.sknlblAddIPAddress->text(), "Edit IP Address by changing any fields below.");
    EXPECT_EQ(d.tabAddIPAddress->tabText(0), "Edit");
    EXPECT_EQ(octets(d.txtIP), (std::array<std::string, 4>{"192", "168", "1", "20"}));
    EXPECT_EQ(d.txtDescription->text(), "Printer");
    EXPECT_EQ(d.cboZones->currentText(), "Trusted");
    EXPECT_EQ(strEditEntryID, ipID);
    d.cmdCancel->click();
  });
  auto range = onDialog<frmAddIPRange>([&](frmAddIPRange& d) {
    ++seen;
    EXPECT_EQ(d.windowTitle(), "Edit IP Range");
    EXPECT_EQ(d.sknlblAddIPRange->text(), "Edit IP Range by changing any fields below.");
    EXPECT_EQ(octets(d.txtIPStart), (std::array<std::string, 4>{"10", "0", "0", "1"}));
    EXPECT_EQ(octets(d.txtIPEnd), (std::array<std::string, 4>{"10", "0", "0", "9"}));
    EXPECT_EQ(d.txtDescription->text(), "Lab");
    d.cmdCancel->click();
  });
  auto host = onDialog<frmAddHostSite>([&](frmAddHostSite& d) {
    ++seen;
    EXPECT_EQ(d.windowTitle(), "Edit Host/Site");
    EXPECT_EQ(d.sknlblAddHost->text(), "Edit Host/Site by changing any fields below.");
    EXPECT_EQ(d.txtHostName->text(), "www.example.com");
    EXPECT_EQ(d.cboZones->currentText(), "Blocked");
    d.cmdCancel->click();
  });
  auto subnet = onDialog<frmAddSubnet>([&](frmAddSubnet& d) {
    ++seen;
    const bool network = d.windowTitle() == "Edit Network";
    EXPECT_EQ(Tag(&d), network ? "Network" : "Subnet");
    EXPECT_EQ(blnEditActiveNetwork, network);
    EXPECT_EQ(d.sknlblAddSubnet->text().toStdString(),
              network ? "Edit selected Local Network by changing any fields below."
                      : "Edit Subnet by changing any fields below.");
    // A detected network's address and mask cannot be changed.
    for (OctetBox* box : d.txtIP) EXPECT_EQ(box->isEnabled(), !network);
    for (OctetBox* box : d.txtSubnet) EXPECT_EQ(box->isEnabled(), !network);
    EXPECT_EQ(octets(d.txtSubnet)[2], network ? "255" : "0");
    d.cmdCancel->click();
  });
  for (int row : {0, 1, 2, 3, 5}) {
    clickRow(page->lvwZones, row);
    if (row == 2) page->cmdEdit->click();
    else clickRow(page->lvwZones, row, true);
  }
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(subnet->opened, 2);
  EXPECT_EQ(ip->leftOpen + range->leftOpen + host->leftOpen + subnet->leftOpen, 0);
  // Cancel keeps the edited ID for the next opening to set again.
  EXPECT_EQ(strEditEntryID, subnetID);
}

TEST_F(ZonesPage, EditOfAnEntryThatIsGoneTellsTheUserAndOpensNothing) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  clickRow(page->lvwZones, 3);
  EXPECT_TRUE(Delete_TableData(Database_IPSetting, "ID=" + ipID, "ID"));
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) { d.cmdOk->click(); });
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 0);
  EXPECT_EQ(LoadedForm<frmAddIPAddress>(), nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The entry 'Printer' no longer exists.");
  EXPECT_EQ(tableRows(Database_IPSetting).size(), 1u);
}

TEST_F(ZonesPage, AnEntryWithAnUnknownZoneOpensWithoutAZoneAndNeedsOne) {
  layOutEveryKind();
  frmFirewall* page = loadPage();
  clickRow(page->lvwZones, 4);  // "Odd zone", zone 7
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    EXPECT_EQ(d.cboZones->currentIndex(), -1);
    EXPECT_FALSE(d.cmdOk->isEnabled());
    d.cboZones->setCurrentIndex(0);
    EXPECT_TRUE(d.cmdOk->isEnabled());
    d.cmdOk->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(page->lvwZones->topLevelItem(4)->text(3), "Blocked");
  std::string zone = "(none)";
  for (const auto& row : tableRows(Database_IPSetting))
    if (row.values.back() == oddID) zone = row.values[3];
  EXPECT_EQ(zone, "1");
}

// ---------------------------------------------------------------------------
// The main window: the ways to the page and the Add menu.

TEST_F(ZonesPage, TheSecurityButtonTheFileMenuAndTheSettingsLinkOpenThePage) {
  MDIMain* main = MDIMainForm();
  EXPECT_EQ(LoadedForm<frmFirewall>(), nullptr);
  main->ToolbarButton("Security")->trigger();
  frmFirewall* page = LoadedForm<frmFirewall>();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(main->ActivePage(), page);
  EXPECT_TRUE(page->isVisible());
  EXPECT_EQ(main->StatusPanel4->text(), "Security");

  main->Settings_Click();
  EXPECT_FALSE(page->isVisible());
  main->findChild<QAction*>("mnuSecurity")->trigger();
  EXPECT_EQ(main->ActivePage(), page);
  EXPECT_TRUE(page->isVisible());

  main->Settings_Click();
  frmMorvantisSettings* settings = LoadedForm<frmMorvantisSettings>();
  ASSERT_NE(settings, nullptr);
  QTest::mouseClick(settings->lbTZSecurity, Qt::LeftButton);
  EXPECT_EQ(main->ActivePage(), page);
  EXPECT_EQ(LoadedForm<frmFirewall>(), page);  // the same page, loaded once
}

TEST_F(ZonesPage, TheAddButtonPopsUpTheMenuWhoseItemsOpenTheDialogsInAddMode) {
  MDIMain* main = MDIMainForm();
  main->FireWall_Click();
  frmFirewall* page = LoadedForm<frmFirewall>();
  page->TabFireWall->setCurrentIndex(1);
  EXPECT_FALSE(page->cmdEdit->isEnabled());

  // The menu, with its four items, under the Add button.
  std::vector<std::string> shown;
  auto menu = std::make_unique<mvtest::ModalDriver>([main] { return main->mnuPopup; }, [&] {
    for (QAction* a : main->mnuPopup->actions()) shown.push_back(a->text().toStdString());
    QAction* item = main->MenuItem("mnuPopupIPAddress");
    QTest::mouseClick(main->mnuPopup, Qt::LeftButton, {}, main->mnuPopup->actionGeometry(item).center());
  });
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    EXPECT_TRUE(d.IsAddMode());
    EXPECT_EQ(d.windowTitle(), "Add IP Address");
    typeAddress(d.txtIP, {"10", "0", "0", "1"});
    QTest::keyClicks(d.txtDescription, "Gateway");
    d.cmdOk->click();
  });
  page->cmdAdd->click();
  EXPECT_EQ(shown, (std::vector<std::string>{"Host/Site", "IP Address", "IP Range", "Subnet"}));
  EXPECT_EQ(menu->opened, 1);
  EXPECT_EQ(dialog->opened, 1);
  ASSERT_EQ(page->lvwZones->topLevelItemCount(), 1);
  EXPECT_EQ(page->lvwZones->topLevelItem(0)->text(0), "Gateway");
  EXPECT_TRUE(page->cmdEdit->isEnabled());
  EXPECT_TRUE(page->cmdRemove->isEnabled());
  EXPECT_EQ(LoadedForm<frmAddIPAddress>(), nullptr);  // gone after it closed
}

TEST_F(ZonesPage, EveryMenuItemOpensItsDialogAndCancelOnAnEmptyListChangesNothing) {
  MDIMain* main = MDIMainForm();
  main->FireWall_Click();
  frmFirewall* page = LoadedForm<frmFirewall>();
  auto cancel = [](ZoneEntryDialog& d) {
    EXPECT_TRUE(d.IsAddMode());
    d.cmdCancel->click();
  };
  auto host = onDialog<frmAddHostSite>(cancel);
  auto ip = onDialog<frmAddIPAddress>(cancel);
  auto range = onDialog<frmAddIPRange>(cancel);
  auto subnet = onDialog<frmAddSubnet>(cancel);
  for (const char* item : {"mnuPopupHostSite", "mnuPopupIPAddress", "mnuPopupIPRange", "mnuPopupSubnet"})
    main->MenuItem(item)->trigger();
  EXPECT_EQ(host->opened + ip->opened + range->opened + subnet->opened, 4);
  EXPECT_EQ(host->opened * ip->opened * range->opened * subnet->opened, 1);
  EXPECT_FALSE(page->cmdEdit->isEnabled());
  EXPECT_FALSE(page->cmdRemove->isEnabled());
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
}

TEST_F(ZonesPage, TheMenuOpensInAddModeAfterAnEdit) {
  addEntry(Database_SubnetSetting, {"172.16.0.0", "255.255.0.0", "Office", "172.16.0.0/255.255.0.0", "1", "0"});
  addNetwork("0001", "192.168.1.0");
  MDIMain* main = MDIMainForm();
  main->FireWall_Click();
  frmFirewall* page = LoadedForm<frmFirewall>();
  std::vector<std::string> modes;
  auto subnet = onDialog<frmAddSubnet>([&](frmAddSubnet& d) {
    modes.push_back(d.tabAddSubnet->tabText(0).toStdString());
    if (d.IsAddMode()) {
      // An Add is a plain subnet whatever an earlier Edit of the network left.
      EXPECT_EQ(d.windowTitle(), "Add Subnet");
      typeAddress(d.txtIP, {"10", "9", "0", "0"});
      typeAddress(d.txtSubnet, {"255", "255", "0", "0"});
      QTest::keyClicks(d.txtDescription, "Lab");
      d.cmdOk->click();
    } else {
      d.cmdCancel->click();
    }
  });
  page->cmdEdit->click();  // the network
  EXPECT_TRUE(blnEditActiveNetwork);
  main->MenuItem("mnuPopupSubnet")->trigger();
  EXPECT_EQ(modes, (std::vector<std::string>{"Edit", "Add"}));
  const auto rows = tableRows(Database_SubnetSetting);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.back().values[5], "0");
  EXPECT_EQ(page->lvwZones->topLevelItem(2)->text(2), "Subnet");
}
