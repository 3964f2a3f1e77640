// The zones page while another program on the folder replaces the settings
// (the wizard's Finish, in a process of its own): no action of the page
// removes or changes an entry other than the one the user chose, and before
// the page stores anything it shows what the files hold.
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <functional>

#include "core/SettingsView.h"
#include "platform/Dialogs.h"
#include "tests/zones/ZonesPageSupport.h"
#include "wizard/mdlMain.h"

using namespace mv;
using mvtest::ListRow;
using mvtest::tableRows;
using Rows = std::vector<mvtest::TableRow>;

namespace {

class OvertakenPage : public mvtest::ZonesPageTest {
 protected:
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
