// The zones page while another program on the folder replaces the settings
// (the wizard's Finish, in a process of its own): no action of the page
// removes or changes an entry other than the one the user chose, and before
// the page stores anything it shows what the files hold.
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QRadioButton>
#include <functional>

#include "core/SettingsView.h"
#include "platform/Dialogs.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/zones/ZonesPageSupport.h"
#include "zones/frmCustomFirewallSettings.h"
#include "zones/mdlCustomSettings.h"
#include "zones/mdlMain.h"
#include "zones/mdlSecurityLevel.h"
#include "wizard/mdlMain.h"

using namespace mv;
using mvtest::ListRow;
using mvtest::tableRows;
using Rows = std::vector<mvtest::TableRow>;

namespace {

class OvertakenPage : public mvtest::ZonesPageTest {
 protected:
  void TearDown() override {
    delete LoadedForm<frmCustomFirewallSettings>();
    mvtest::ZonesPageTest::TearDown();
  }
  // Runs `body` in a process of its own and waits for its end.
  static void elsewhere(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body() ? 0 : 3);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // The wizard's Finish: every settings file replaced by its default.
  static void wizardFinishes() {
    elsewhere([] {
      wizard::WizardChoices choices;
      choices.ProgramChoice = 2;
      return wizard::saveStartupWizardSettings(choices).message.empty();
    });
  }
  static bool addAddress(const std::string& ip, const std::string& name) {
    std::string id;
    return StoreZoneEntry(Database_IPSetting, ipAddress, {{"IP", ip}, {"Name", name}, {"Description", ip}, {"Zone", "2"}},
                          true, "", {}, id) == EntrySaved::Saved;
  }
  // The page with "Office PC" (000001) listed, then the wizard's Finish
  // elsewhere, then "Printer" added elsewhere, which the files give the ID
  // 000001 again.
  frmFirewall* officeOvertakenByPrinter() {
    EXPECT_TRUE(addAddress("192.168.1.10", "Office PC"));
    frmFirewall* page = loadPage();
    EXPECT_EQ(listRows(page->lvwZones), (std::vector<ListRow>{{"Office PC", "192.168.1.10", "IP Address", "Trusted", "000001"}}));
    wizardFinishes();
    elsewhere([] { return addAddress("192.168.1.30", "Printer"); });
    return page;
  }
  // Two rows of the High Internet list that the defaults (in memory) leave
  // unticked.
  static std::vector<int> untickedByDefault() {
    std::vector<int> unticked;
    const std::vector<CustomRow> defaults = LoadCustomRows(CustomList::HighInternet);
    for (int i = 0; i < 9 && unticked.size() < 2; ++i)
      if (!defaults[static_cast<size_t>(i)].Checked) unticked.push_back(i);
    return unticked;
  }
  // The custom settings editor, opened afresh on its High Internet list.
  static frmCustomFirewallSettings* openEditor() {
    delete LoadedForm<frmCustomFirewallSettings>();
    auto* e = LoadForm<frmCustomFirewallSettings>();
    e->TabCustomSettings->setCurrentIndex(1);
    e->show();
    return e;
  }
  static void tick(frmCustomFirewallSettings* e, int row) {
    e->findChild<QTreeWidget*>("lvwHighInternetZone")->topLevelItem(row)->setCheckState(0, Qt::Checked);
  }
  // Ticks the row and clicks OK.
  static void tickAndSave(frmCustomFirewallSettings* e, int row) {
    tick(e, row);
    e->findChild<QPushButton*>("cmdOk")->click();
  }
  static bool ticked(frmCustomFirewallSettings* e, int row) {
    return e->findChild<QTreeWidget*>("lvwHighInternetZone")->topLevelItem(row)->checkState(0) == Qt::Checked;
  }
  const std::vector<ListRow> printerListed{{"Printer", "192.168.1.30", "IP Address", "Trusted", "000001"}};
  const Rows printerStored{{"0001", {"192.168.1.30", "Printer", "192.168.1.30", "2", "000001"}}};
  const std::vector<ListRow> printerListed2{{"Printer", "192.168.1.30", "IP Address", "Trusted", "000002"}};
};

}  // namespace

TEST_F(OvertakenPage, AnAddAfterTheWizardFinishedElsewhereIsToldShowsTheFilesAndKeepsWhatWasTyped) {
  ASSERT_TRUE(addAddress("192.168.1.10", "Office PC"));
  frmFirewall* page = loadPage();
  wizardFinishes();
  std::vector<std::vector<ListRow>> listedAtFirstOk;
  auto dialog = onDialog<frmAddIPAddress>([&](frmAddIPAddress& d) {
    typeAddress(d.txtIP, {"192", "168", "1", "30"});
    QTest::keyClicks(d.txtDescription, "Printer");
    d.cmdOk->click();
    // Told, nothing stored, the page shows the files; the dialog keeps what
    // was typed for another OK.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].prompt, SettingsOvertakenText("the entry was not saved"));
    EXPECT_TRUE(tableRows(Database_IPSetting).empty());
    listedAtFirstOk.push_back(listRows(page->lvwZones));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.txtDescription->text(), "Printer");
    d.cmdOk->click();
  });
  page->mnuPopupIPAddress_Click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(dialog->leftOpen, 0);
  EXPECT_EQ(listedAtFirstOk, (std::vector<std::vector<ListRow>>{{}}));
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(tableRows(Database_IPSetting), printerStored);
  EXPECT_EQ(listRows(page->lvwZones), printerListed);
}

TEST_F(OvertakenPage, RemoveOfAStaleRowWhoseIDAnotherEntryNowHoldsRemovesNothingAndShowsTheFiles) {
  frmFirewall* page = officeOvertakenByPrinter();
  clickRow(page->lvwZones, 0);
  answers.push_back(platform::vbYes);
  page->cmdRemove->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].prompt, "Are you sure do you want to remove 'Office PC'?");
  EXPECT_EQ(messages[1].prompt, SettingsOvertakenText("nothing was removed"));
  EXPECT_EQ(tableRows(Database_IPSetting), printerStored);
  EXPECT_EQ(listRows(page->lvwZones), printerListed);
}

TEST_F(OvertakenPage, EditOfAStaleRowWhoseIDAnotherEntryNowHoldsOpensNothingAndShowsTheFiles) {
  frmFirewall* page = officeOvertakenByPrinter();
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) { d.cmdOk->click(); });
  clickRow(page->lvwZones, 0);
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, SettingsOvertakenText("the entry was not opened"));
  EXPECT_EQ(tableRows(Database_IPSetting), printerStored);
  EXPECT_EQ(listRows(page->lvwZones), printerListed);
}

TEST_F(OvertakenPage, AnEditWhoseEntryAnotherProgramReplacedWhileItsDialogWasOpenStoresNothingOverTheNewOne) {
  ASSERT_TRUE(addAddress("192.168.1.10", "Office PC"));
  frmFirewall* page = loadPage();
  auto dialog = onDialog<frmAddIPAddress>([&](frmAddIPAddress& d) {
    ASSERT_EQ(d.txtDescription->text(), "Office PC");
    // While the dialog is open the wizard finishes elsewhere and "Printer"
    // is added there, under the ID the dialog edits.
    wizardFinishes();
    elsewhere([] { return addAddress("192.168.1.30", "Printer"); });
    d.txtDescription->clear();
    QTest::keyClicks(d.txtDescription, "Office PC 2");
    d.cmdOk->click();
  });
  clickRow(page->lvwZones, 0);
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(dialog->leftOpen, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, SettingsOvertakenText("the entry was not saved"));
  EXPECT_EQ(tableRows(Database_IPSetting), printerStored);
  EXPECT_EQ(listRows(page->lvwZones), printerListed);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "Printer");
}

TEST_F(OvertakenPage, AfterThePageShowsTheFilesAgainItsEntryDetailsShowOnlyARowOfTheList) {
  ASSERT_TRUE(addAddress("192.168.1.10", "Office PC"));
  frmFirewall* page = loadPage();
  ASSERT_EQ(page->lblZoneNameInfo->text(), "Office PC");
  wizardFinishes();
  // The Add is refused and the page shows the files, which hold no entry.
  std::vector<std::string> detailsAtOk;
  bool editOrRemoveAtOk = true;
  auto dialog = onDialog<frmAddIPAddress>([&](frmAddIPAddress& d) {
    typeAddress(d.txtIP, {"192", "168", "1", "40"});
    QTest::keyClicks(d.txtDescription, "Scanner");
    d.cmdOk->click();
    for (const QLabel* l : {page->lblZoneNameInfo, page->lblZoneInfo, page->lblEntryTypeInfo, page->lblIPAddressSiteInfo})
      detailsAtOk.push_back(l->text().toStdString());
    editOrRemoveAtOk = page->cmdEdit->isEnabled() || page->cmdRemove->isEnabled();
    d.cmdCancel->click();
  });
  page->mnuPopupIPAddress_Click();
  ASSERT_EQ(dialog->opened, 1);
  EXPECT_EQ(detailsAtOk, (std::vector<std::string>{"", "", "", ""}));
  EXPECT_FALSE(editOrRemoveAtOk);
  // Then an entry is added elsewhere; a level chosen is refused, and the
  // page shows that entry selected, in the details, with Edit and Remove.
  elsewhere([] { return addAddress("192.168.1.30", "Printer"); });
  page->TabFireWall->setCurrentIndex(0);
  page->optInternetZone[2]->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(listRows(page->lvwZones), printerListed);
  EXPECT_EQ(page->lblZoneNameInfo->text(), "Printer");
  EXPECT_EQ(page->lblZoneInfo->text(), "Trusted");
  EXPECT_EQ(page->lblEntryTypeInfo->text(), "IP Address");
  EXPECT_EQ(page->lblIPAddressSiteInfo->text(), "192.168.1.30");
  EXPECT_TRUE(page->cmdEdit->isEnabled());
  EXPECT_TRUE(page->cmdRemove->isEnabled());
}

TEST_F(OvertakenPage, AnEditWhileAnotherProgramIsStillSavingOpensNothingAndSaysSo) {
  ASSERT_TRUE(addAddress("192.168.1.10", "Office PC"));
  frmFirewall* page = loadPage();
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) { d.cmdOk->click(); });
  clickRow(page->lvwZones, 0);
  mvtest::FolderLockHolder other;
  ASSERT_TRUE(other.held());
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt.rfind("Another Morvantis program is saving the settings, so the entry was not opened.", 0),
            0u);
}

TEST_F(OvertakenPage, AChangeMadeElsewhereBeforeThePageWasFilledOrOneOfThisProgramsOwnIsNoReasonToShowTheFilesAgain) {
  // This program has read the table, another one changes it, then the page
  // is filled; afterwards this program changes it itself.
  ASSERT_TRUE(addAddress("192.168.1.10", "Office PC"));
  elsewhere([] { return addAddress("192.168.1.30", "Printer"); });
  frmFirewall* page = loadPage();
  ASSERT_TRUE(addAddress("192.168.1.40", "Scanner"));
  clickRow(page->lvwZones, 0);
  ASSERT_EQ(page->lblZoneNameInfo->text(), "Office PC");
  answers.push_back(platform::vbYes);
  page->cmdRemove->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(tableRows(Database_IPSetting).size(), 2u);
  EXPECT_EQ(listRows(page->lvwZones), printerListed2);
}

TEST_F(OvertakenPage, ALevelChosenAfterTheWizardFinishedElsewhereIsToldAndTheStoredLevelsShown) {
  // The front end had set Low for both zones; the wizard puts back the
  // defaults (Internet High, Trusted Medium).
  ASSERT_TRUE(StoreZoneLevels(1, 1));
  ReadZoneLevels();
  frmFirewall* page = loadPage();
  page->TabFireWall->setCurrentIndex(0);
  wizardFinishes();
  page->optInternetZone[2]->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, SettingsOvertakenText("the security level was not changed"));
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), "3");
  EXPECT_EQ(GetMasterValue(SelectedLevel, "2", ""), "2");
  EXPECT_TRUE(page->optInternetZone[3]->isChecked());
  EXPECT_TRUE(page->optTrustedZone[2]->isChecked());
  EXPECT_EQ(page->lblInternetSelected->text(), "High :");
  EXPECT_EQ(page->lblTrustedSelected->text(), "Medium :");
}

TEST_F(OvertakenPage, TheCustomSettingsSavedAfterTheWizardFinishedElsewhereAreToldAndOnlyTheUsersRowsKept) {
  Init_Read_PortSetting();
  const std::vector<int> unticked = untickedByDefault();
  ASSERT_EQ(unticked.size(), 2u);
  const int earlier = unticked[0], chosen = unticked[1];
  // The front end stored one row ticked; the wizard puts back the defaults
  // while the editor is open, and the user ticks another row.
  frmCustomFirewallSettings* editor = openEditor();
  tickAndSave(editor, earlier);
  editor = openEditor();
  ASSERT_TRUE(ticked(editor, earlier));
  wizardFinishes();
  tickAndSave(editor, chosen);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, SettingsOvertakenText("the changes were not saved") +
                                    "\r\nThe rows you changed are kept as you set them.");
  ASSERT_NE(LoadedForm<frmCustomFirewallSettings>(), nullptr);
  EXPECT_FALSE(ticked(editor, earlier));
  EXPECT_TRUE(ticked(editor, chosen));
  platform::profileClearCache();
  Init_Read_PortSetting();
  EXPECT_FALSE(LoadCustomRows(CustomList::HighInternet)[static_cast<size_t>(chosen)].Checked);
  // The next OK stores the user's row on the files as they are now.
  editor->findChild<QPushButton*>("cmdOk")->click();
  EXPECT_EQ(messages.size(), 1u);
  Init_Read_PortSetting();
  const std::vector<CustomRow> stored = LoadCustomRows(CustomList::HighInternet);
  EXPECT_TRUE(stored[static_cast<size_t>(chosen)].Checked);
  EXPECT_FALSE(stored[static_cast<size_t>(earlier)].Checked);
}

TEST_F(OvertakenPage, ThePageAndTheCustomSettingsOpenedAfterTheWizardFinishedElsewhereShowTheFilesAndStoreUntold) {
  // The front end read Low for both zones; the wizard puts back the defaults
  // (Internet High, Trusted Medium) before the page is opened.
  ASSERT_TRUE(StoreZoneLevels(1, 1));
  ReadZoneSettings();
  wizardFinishes();
  frmFirewall* page = loadPage();
  page->TabFireWall->setCurrentIndex(0);
  EXPECT_TRUE(page->optInternetZone[3]->isChecked());
  EXPECT_TRUE(page->optTrustedZone[2]->isChecked());
  page->optInternetZone[2]->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(GetMasterValue(SelectedLevel, "3", ""), "2");
  // The front end stored a row of the custom settings ticked; the wizard puts
  // back the defaults before the editor is opened again.
  const std::vector<int> unticked = untickedByDefault();
  ASSERT_EQ(unticked.size(), 2u);
  const int earlier = unticked[0], chosen = unticked[1];
  frmCustomFirewallSettings* editor = openEditor();
  tickAndSave(editor, earlier);
  wizardFinishes();
  editor = openEditor();
  EXPECT_FALSE(ticked(editor, earlier));
  tickAndSave(editor, chosen);
  EXPECT_TRUE(messages.empty());
  platform::profileClearCache();
  Init_Read_PortSetting();
  const std::vector<CustomRow> stored = LoadCustomRows(CustomList::HighInternet);
  EXPECT_TRUE(stored[static_cast<size_t>(chosen)].Checked);
  EXPECT_FALSE(stored[static_cast<size_t>(earlier)].Checked);
}
