// The program-control page on its "Programs" and "Component" tabs: what it
// lists, the cell menus and the rights they store, adding and removing
// programs, the details and the file commands, sorting and activity marks.
#include <gtest/gtest.h>

#include <QFont>
#include <QLineEdit>
#include <QSlider>
#include <QTextEdit>
#include <filesystem>
#include <vector>

#include "core/FormHooks.h"
#include "core/StringTable.h"
#include "programs/frmAdvanceProgram.h"
#include "programs/frmProgramCustom.h"
#include "platform/FileInfo.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "programs/mdlComponentControl.h"
#include "rules/mdlDefineRules.h"
#include "tests/programs/ProgramPageFixture.h"

namespace mvtest {
namespace {

using mv::colComponentList;
using mv::colProgramList;

class ControlPage : public ProgramPageTest {
 protected:
  // Two programs (one all Allow, one running PassLock) and two components.
  void profile() {
    addProgram("C:\\Apps\\Browser.exe", 0, 0, 0, 0);
    addProgram("C:\\Apps\\Mail.exe", 0, 2, 2, 1);
    colProgramList.Item("c:\\apps\\mail.exe")->LockState = mv::strPassLock;
    colProgramList.Item("c:\\apps\\mail.exe")->Active = true;
    mv::AddComponentToINI("C:\\Apps\\libnet.dll", mv::AccessAllow);
    mv::AddComponentToINI("C:\\Apps\\libui.dll", mv::AccessAsk);
  }
  QTreeWidgetItem* browser() const { return row(page->lvwPrograms, "Browser.exe"); }
  std::string browserRights() const { return texts(browser(), 1, 4); }
};

// ---------------------------------------------------------------------------
// What the page shows.

TEST_F(ControlPage, ListsProgramsAndComponentsWithTheirRightsLockAndActivity) {
  profile();
  loadPage();
  EXPECT_EQ(page->TabProgramControl->tabText(0), "Main");
  EXPECT_EQ(page->TabProgramControl->tabText(1), "Programs");
  EXPECT_EQ(page->TabProgramControl->tabText(2), "Component");
  QTreeWidgetItem* header = page->lvwPrograms->headerItem();
  EXPECT_EQ(texts(header, 0, 5), "Programs Trusted Internet Trusted Internet Lock");
  EXPECT_EQ(texts(page->lvwComponents->headerItem(), 0, 2), "Components Description Access");

  ASSERT_EQ(page->lvwPrograms->topLevelItemCount(), 2);
  EXPECT_EQ(texts(browser(), 0, 5), "Browser.exe Allow Allow Allow Allow Normal");
  QTreeWidgetItem* mail = row(page->lvwPrograms, "Mail.exe");
  ASSERT_NE(mail, nullptr);
  EXPECT_EQ(texts(mail, 1, 5), "Allow Ask Ask Block PassLock");
  EXPECT_TRUE(mail->font(0).bold());
  EXPECT_EQ(mail->foreground(0).color(), QColor(0, 128, 0));
  EXPECT_FALSE(browser()->font(0).bold());
  EXPECT_EQ(browser()->foreground(0).color(), QColor(0, 0, 0));

  ASSERT_EQ(page->lvwComponents->topLevelItemCount(), 2);
  EXPECT_EQ(texts(page->lvwComponents->topLevelItem(0), 0, 2), "libnet.dll libnet.dll Allow");
  EXPECT_EQ(texts(page->lvwComponents->topLevelItem(1), 2, 2), "Ask");
  EXPECT_TRUE(page->cmdRemove->isEnabled());
  EXPECT_TRUE(page->cmdProgramControlProgramOption->isEnabled());
  EXPECT_TRUE(page->cmdComponentRemove->isEnabled());

  EXPECT_EQ(page->lbProgramFooter->text().toStdString(), mv::LoadResString(401));
  EXPECT_EQ(page->lbComponentFooter->text().toStdString(), mv::LoadResString(501) + "\n" + mv::LoadResString(502));
  EXPECT_EQ(page->lbProgramMainFooter->text().toStdString(),
            mv::LoadResString(301) + "\n" + mv::LoadResString(302) + "\n" + mv::LoadResString(303));
}

TEST_F(ControlPage, EmptyListsLeaveTheCommandsUnusable) {
  loadPage();
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_FALSE(page->cmdRemove->isEnabled());
  EXPECT_FALSE(page->cmdProgramControlProgramOption->isEnabled());
  EXPECT_FALSE(page->cmdComponentRemove->isEnabled());
  EXPECT_TRUE(page->cmdProgramControlProgramAdd->isEnabled());
}

TEST_F(ControlPage, AProgramOrComponentWithoutPathOrNameIsSkippedNotTheEndOfTheList) {
  addProgram("C:\\Apps\\First.exe");
  auto nameless = std::make_shared<mv::clsProgramList>();
  nameless->ProgramName = "Broken";
  colProgramList.Add(nameless, "");
  addProgram("C:\\Apps\\Last.exe");
  mv::AddComponentToINI("C:\\Apps\\a.dll", mv::AccessAllow);
  auto unnamed = std::make_shared<mv::clsComponentList>();
  unnamed->Path = "C:\\Apps\\b.dll";
  colComponentList.Add(unnamed, "c:\\apps\\b.dll");
  mv::AddComponentToINI("C:\\Apps\\c.dll", mv::AccessAllow);
  loadPage();
  EXPECT_NE(row(page->lvwPrograms, "First.exe"), nullptr);
  EXPECT_EQ(row(page->lvwPrograms, "Broken"), nullptr);
  EXPECT_NE(row(page->lvwPrograms, "Last.exe"), nullptr);
  EXPECT_NE(row(page->lvwComponents, "a.dll"), nullptr);
  EXPECT_NE(row(page->lvwComponents, "c.dll"), nullptr);
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 2);
}

TEST_F(ControlPage, RightsLabelsSitOverTheirColumnBordersAtAnySize) {
  profile();
  loadPage();
  page->TabProgramControl->setCurrentIndex(1);
  auto centre = [](const QLabel* l) { return l->x() + l->width() / 2; };
  auto border = [&](int columns) {
    QTreeWidget* list = page->lvwPrograms;
    int x = list->x() + list->frameWidth();
    for (int c = 0; c < columns; ++c) x += list->columnWidth(c);
    return x;
  };
  for (QSize size : {QSize(760, 560), QSize(1100, 800)}) {
    main->resize(size);
    QApplication::processEvents();
    EXPECT_NEAR(centre(page->lblAccess), border(2), 1) << size.width();
    EXPECT_NEAR(centre(page->lblServer), border(4), 1) << size.width();
    EXPECT_LT(page->lblAccess->y(), page->lvwPrograms->y());
  }
  page->lvwPrograms->setColumnWidth(0, 300);
  EXPECT_NEAR(centre(page->lblAccess), border(2), 1);
}

// ---------------------------------------------------------------------------
// Cell menus.

TEST_F(ControlPage, ALeftClickOnARightsCellPopsThatRightsMenuARightClickTheProgramMenu) {
  profile();
  loadPage();
  page->TabProgramControl->setCurrentIndex(1);
  QMenu* expected[] = {main->mnuAccessTrusted, main->mnuAccessInternet, main->mnuServerTrusted,
                       main->mnuServerInternet, main->mnuProgramLock};
  for (int column = 1; column <= 5; ++column) {
    clickCell(page->lvwPrograms, browser(), column, Qt::LeftButton);
    EXPECT_EQ(page->LastPopup(), expected[column - 1]) << column;
    EXPECT_TRUE(expected[column - 1]->isVisible()) << column;
    closePopup();
  }
  EXPECT_TRUE(browser()->isSelected());

  // The name column opens none; the right button opens the program menu.
  QMenu* before = page->LastPopup();
  clickCell(page->lvwPrograms, browser(), 0, Qt::LeftButton);
  EXPECT_EQ(page->LastPopup(), before);
  clickCell(page->lvwPrograms, browser(), 0, Qt::RightButton);
  EXPECT_EQ(page->LastPopup(), main->mnuProgramMenu);
  closePopup();
  // The program menu offers the options of the program.
  EXPECT_TRUE(item("mnuProgramOption")->isVisible());

  page->TabProgramControl->setCurrentIndex(2);
  QTreeWidgetItem* component = page->lvwComponents->topLevelItem(0);
  clickCell(page->lvwComponents, component, 1, Qt::LeftButton);
  EXPECT_EQ(page->LastPopup(), main->mnuProgramMenu);
  clickCell(page->lvwComponents, component, 2, Qt::LeftButton);
  EXPECT_EQ(page->LastPopup(), main->mnuComponentAccess);
  closePopup();
  clickCell(page->lvwComponents, component, 0, Qt::RightButton);
  EXPECT_EQ(page->LastPopup(), main->mnuComponentMenu);
  closePopup();
}

TEST_F(ControlPage, MenuRightsKeepTheRightsInOrderAndAreStoredAtOnce) {
  profile();
  loadPage();
  select(page->lvwPrograms, browser());

  choose("mnuAccessTrustedBlock");
  EXPECT_EQ(browserRights(), "Block Block Block Block");
  EXPECT_EQ(storedRights("Browser.exe"), "1111");
  EXPECT_EQ(colProgramList.Item("c:\\apps\\browser.exe")->AccessInternet, "Block");
  EXPECT_EQ(mv::ListItemTag(browser()), "0c:\\apps\\browser.exe");

  choose("mnuServerInternetAllow");
  EXPECT_EQ(browserRights(), "Allow Allow Allow Allow");
  EXPECT_EQ(storedRights("Browser.exe"), "0000");

  // Ask on Access Internet raises Server Internet and leaves Server Trusted.
  choose("mnuAccessInternetAsk");
  EXPECT_EQ(browserRights(), "Allow Ask Allow Ask");
  EXPECT_EQ(storedRights("Browser.exe"), "0202");
  choose("mnuServerTrustedBlock");
  EXPECT_EQ(browserRights(), "Allow Ask Block Block");
  choose("mnuAccessInternetAllow");
  EXPECT_EQ(browserRights(), "Allow Allow Block Block");

  // Ask on Access Trusted raises every right that allows.
  choose("mnuServerInternetAllow");
  choose("mnuAccessTrustedAsk");
  EXPECT_EQ(browserRights(), "Ask Ask Ask Ask");
  EXPECT_EQ(storedRights("Browser.exe"), "2222");
  const auto& stored = *colProgramList.Item("c:\\apps\\browser.exe");
  EXPECT_EQ(stored.AccessTrusted + stored.AccessInternet + stored.ServerTrusted + stored.ServerInternet,
            "AskAskAskAsk");
  // The other program is untouched.
  EXPECT_EQ(storedRights("Mail.exe"), "0221");
}

TEST_F(ControlPage, AnUnknownRightOrLockIsKeptWhenAnotherCellOfItsRowChanges) {
  profile();
  // Access Internet and the lock stored empty: no right, no rule.
  const std::string name = colProgramList.Item("c:\\apps\\browser.exe")->ProgramName;
  ASSERT_TRUE(mv::WriteINIKeys(name, {{"Column2", ""}, {"Column6", ""}}, mv::strProgramControlFile, true));
  mv::LoadProgramControlRules();
  loadPage();
  select(page->lvwPrograms, browser());
  choose("mnuAccessTrustedAllow");
  EXPECT_EQ(browserRights(), "Allow  Allow Allow");
  EXPECT_EQ(storedRights("Browser.exe"), "000");
  EXPECT_EQ(programValue("Browser.exe", "Column6"), "");
  EXPECT_EQ(colProgramList.Item("c:\\apps\\browser.exe")->AccessInternet, "");
  choose("mnuServerTrustedBlock");
  EXPECT_EQ(browserRights(), "Allow  Block Block");
  EXPECT_EQ(storedRights("Browser.exe"), "011");
  EXPECT_EQ(storedRights("Mail.exe"), "0221");
}

TEST_F(ControlPage, TheLockMenuWritesColumnSix) {
  profile();
  loadPage();
  select(page->lvwPrograms, browser());
  choose("mnuProgramLockPassLock");
  EXPECT_EQ(browser()->text(5), "PassLock");
  EXPECT_EQ(programValue("Browser.exe", "Column6"), "1");
  EXPECT_EQ(colProgramList.Item("c:\\apps\\browser.exe")->LockState, "PassLock");
  EXPECT_EQ(browserRights(), "Allow Allow Allow Allow");
  choose("mnuProgramLockNormal");
  EXPECT_EQ(programValue("Browser.exe", "Column6"), "0");
  EXPECT_EQ(browser()->text(5), "Normal");
}

TEST_F(ControlPage, ARefusedLoginChangesNoRightAndARightThatCannotBeStoredIsNotShown) {
  profile();
  loadPage();
  select(page->lvwPrograms, browser());
  mv::strPassword = "secret";
  {
    auto login = onLogin("");
    choose("mnuAccessTrustedBlock");
    EXPECT_EQ(login->opened, 1);
  }
  EXPECT_EQ(browserRights(), "Allow Allow Allow Allow");
  EXPECT_EQ(storedRights("Browser.exe"), "0000");

  mv::strPassword.clear();
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramControlFile, true));
  choose("mnuAccessTrustedBlock");
  EXPECT_EQ(browserRights(), "Allow Allow Allow Allow");
  EXPECT_EQ(colProgramList.Item("c:\\apps\\browser.exe")->AccessTrusted, "Allow");
  EXPECT_EQ(mv::ListItemTag(browser())[0], '0');
}

TEST_F(ControlPage, ARightsClickStoresOnlyTheCellsItChangedAndTheRowShowsTheFile) {
  profile();
  loadPage();
  select(page->lvwPrograms, browser());
  // Another program changes a right after the page showed it.
  ASSERT_TRUE(mv::WriteINI("Browser.exe", "Column2", "2", mv::strProgramControlFile, true));
  // Block on Server Internet changes no other cell of the row.
  choose("mnuServerInternetBlock");
  EXPECT_EQ(storedRights("Browser.exe"), "0201");
  EXPECT_EQ(browserRights(), "Allow Ask Allow Block");
  EXPECT_EQ(colProgramList.Item("c:\\apps\\browser.exe")->AccessInternet, "Ask");
  // The right the user chooses is stored even where the row showed it
  // already and the file has since changed.
  ASSERT_TRUE(mv::WriteINI("Browser.exe", "Column4", "2", mv::strProgramControlFile, true));
  choose("mnuServerInternetBlock");
  EXPECT_EQ(storedRights("Browser.exe"), "0201");
  EXPECT_TRUE(messages.empty());
}

TEST_F(ControlPage, ARightForAProgramNoLongerInTheFileStoresNothingAndShowsTheFileAgain) {
  profile();
  loadPage();
  select(page->lvwPrograms, browser());
  // Another program removes the program.
  ASSERT_TRUE(mv::DeleteINISection("Browser.exe", mv::strProgramControlFile));
  const std::string before = readText("Profiles/ProgramControl.MVL");
  choose("mnuAccessTrustedBlock");
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), before);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt,
            "'Browser.exe' is no longer in the program settings, so its rights were not changed.\r\n"
            "The programs are shown again as they are now.");
  EXPECT_EQ(browser(), nullptr);
  EXPECT_FALSE(colProgramList.Contains("c:\\apps\\browser.exe"));
  EXPECT_NE(row(page->lvwPrograms, "Mail.exe"), nullptr);
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 2);
}

TEST_F(ControlPage, ComponentMenuRightsAreStored) {
  profile();
  loadPage();
  QTreeWidgetItem* net = row(page->lvwComponents, "libnet.dll");
  select(page->lvwComponents, net);
  choose("mnuComponentAccessAsk");
  EXPECT_EQ(net->text(2), "Ask");
  EXPECT_EQ(mv::ReadINI("LIBNET.DLL", "AccessType", "", mv::strComponentsFile, true), "2");
  EXPECT_EQ(colComponentList.Item("c:\\apps\\libnet.dll")->AccessType, mv::AccessAsk);
  // The right reads back at the next load, although the row shows the file
  // name in its own case and the section is upper-cased.
  colComponentList.Clear();
  mv::LoadComponentsFromINI();
  EXPECT_EQ(colComponentList.Item("c:\\apps\\libnet.dll")->AccessType, mv::AccessAsk);
  page->lvwComponents->clear();
  mv::AddComponentRow("c:\\apps\\libnet.dll");
  net = page->lvwComponents->topLevelItem(0);
  select(page->lvwComponents, net);
  choose("mnuComponentAccessAllow");
  EXPECT_EQ(mv::ReadINI("LIBNET.DLL", "AccessType", "", mv::strComponentsFile, true), "0");
  EXPECT_EQ(net->text(2), "Allow");
}

TEST_F(ControlPage, AfterARestartComponentsAreListedAsTheirPathsNameThemWithEveryRight) {
  mv::AddComponentToINI("/usr/lib/x86_64-linux-gnu/libssl.so.3", mv::AccessBlock);
  mv::AddComponentToINI("/opt/app/lib/libssl.so.3", mv::AccessAsk);
  mv::AddComponentToINI("/opt/app/lib/LibUI.so", mv::AccessAllow);
  const std::vector<std::string> sections = {"LIBSSL.SO.3", "LIBSSL.SO.3(1)", "LIBUI.SO"};
  ASSERT_EQ(sectionNames(mv::strComponentsFile), sections);
  // The next start reads the components from their file.
  colComponentList.Clear();
  mv::LoadComponentsFromINI();
  loadPage();
  page->TabProgramControl->setCurrentIndex(2);
  QTreeWidget* list = page->lvwComponents;
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(texts(list->topLevelItem(0), 0, 2), "libssl.so.3 libssl.so.3 Block");
  EXPECT_EQ(texts(list->topLevelItem(1), 0, 2), "libssl.so.3(1) libssl.so.3 Ask");
  EXPECT_EQ(texts(list->topLevelItem(2), 0, 2), "LibUI.so LibUI.so Allow");

  // The rows act on the sections the components are stored under.
  select(list, list->topLevelItem(0));
  choose("mnuComponentAccessAllow");
  EXPECT_EQ(list->topLevelItem(0)->text(2), "Allow");
  EXPECT_EQ(mv::ReadINI("LIBSSL.SO.3", "AccessType", "", mv::strComponentsFile, true), "0");
  EXPECT_EQ(sectionNames(mv::strComponentsFile), sections);
  select(list, list->topLevelItem(1));
  answers = {mv::platform::vbYes};
  page->cmdComponentRemove->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Do you want to remove the following Component(s)?\r\nlibssl.so.3(1)\r\n");
  EXPECT_EQ(sectionNames(mv::strComponentsFile), (std::vector<std::string>{"LIBSSL.SO.3", "LIBUI.SO"}));
  EXPECT_EQ(list->topLevelItemCount(), 2);
}

// ---------------------------------------------------------------------------
// Adding and removing programs.

TEST_F(ControlPage, AddTakesTheChosenFileWithTheDefaultsOnceOnly) {
  mv::DefaultAccessTrusted = mv::AccessAllow;
  mv::DefaultAccessInternet = mv::DefaultServerTrusted = mv::AccessAsk;
  mv::DefaultServerInternet = mv::AccessBlock;
  writeText("Games/Chess.exe", "MZ");
  loadPage();
  chooseFile(native("Games/Chess.exe"));
  page->cmdProgramControlProgramAdd->click();
  EXPECT_EQ(fileDialogs, 1);
  EXPECT_EQ(lastDialog.DialogTitle, "Add Program");
  // The first dialog opens on the folder of programs.
  EXPECT_EQ(lastDialog.InitDir, "/usr/bin\\");
  EXPECT_EQ(lastDialog.Filter, "Executable File (*.exe,*.com,*.scr)|*.EXE;*.COM;*.SCR|All Files (*.*)|*.*");
  EXPECT_EQ(storedRights("Chess.exe"), "0221");
  EXPECT_EQ(programValue("Chess.exe", "Path"), native("Games/Chess.exe"));
  QTreeWidgetItem* chess = row(page->lvwPrograms, "Chess.exe");
  ASSERT_NE(chess, nullptr);
  EXPECT_EQ(texts(chess, 1, 5), "Allow Ask Ask Block Normal");
  EXPECT_TRUE(page->cmdRemove->isEnabled());
  EXPECT_TRUE(page->cmdProgramControlProgramOption->isEnabled());

  // The same file again adds nothing; the dialog opens in the folder of the
  // last file.
  choose("mnuProgramAdd");
  EXPECT_EQ(lastDialog.InitDir, native("Games") + "/");
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 1);
  EXPECT_EQ(colProgramList.Count(), 1);
}

TEST_F(ControlPage, ACancelledDialogAddsNothingButAFileNamedNILIsAdded) {
  loadPage();
  chooseFile(std::nullopt);
  page->cmdProgramControlProgramAdd->click();
  EXPECT_EQ(fileDialogs, 1);
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  chooseFile(std::string("/opt/NIL"));
  page->cmdProgramControlProgramAdd->click();
  EXPECT_NE(row(page->lvwPrograms, "NIL"), nullptr);
  EXPECT_EQ(programValue("NIL", "Path"), "/opt/NIL");
}

TEST_F(ControlPage, AFileWithABlankDescriptionIsAddedUnderItsFileName) {
  writeText("Apps/Blank.exe", "MZ");
  mv::platform::setVersionResourceReader([](const std::string&) {
    mv::platform::VersionResource resource;
    resource.translations = {{0x0409, 0x04B0}};
    resource.strings["\\StringFileInfo\\040904B0\\FileDescription"] = "  ";
    resource.strings["\\StringFileInfo\\040904B0\\ProductVersion"] = "2.5";
    return std::optional<mv::platform::VersionResource>(resource);
  });
  loadPage();
  chooseFile(native("Apps/Blank.exe"));
  page->cmdProgramControlProgramAdd->click();
  EXPECT_NE(row(page->lvwPrograms, "Blank.exe"), nullptr);
  EXPECT_EQ(programValue("Blank.exe", "Version"), "2.5");
  EXPECT_EQ(sectionNames(mv::strProgramControlFile), std::vector<std::string>{"Blank.exe"});
}

TEST_F(ControlPage, AnUnsafeProgramPathIsRefusedWithAMessageNamingTheFile) {
  loadPage();
  chooseFile(std::string("/opt/tools/a=b.exe"));
  page->cmdProgramControlProgramAdd->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The program /opt/tools/a=b.exe cannot be added: its path holds \"=\".");
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_TRUE(sectionNames(mv::strProgramControlFile).empty());
}

TEST_F(ControlPage, AScriptWhoseInterpreterIsMissingIsRefusedWithAMessageNamingTheScript) {
  const std::string script = writeScript("Apps/report", "/nonexistent/shell");
  loadPage();
  chooseFile(script);
  page->cmdProgramControlProgramAdd->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The program " + script +
                                    " cannot be added: it is a script, and the program that runs it cannot be "
                                    "found on this computer.");
  EXPECT_EQ(messages[0].buttons, mv::platform::vbExclamation);
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_EQ(colProgramList.Count(), 0);
  EXPECT_TRUE(sectionNames(mv::strProgramControlFile).empty());
}

TEST_F(ControlPage, AProgramWhoseFileNameBeginsWithABlankIsStoredReadableAndKeptOverARestart) {
  writeText("Apps/ Lead.exe", "MZ");
  addProgram("C:\\Apps\\Browser.exe", 0, 0, 0, 0);
  loadPage();
  chooseFile(native("Apps/ Lead.exe"));
  page->cmdProgramControlProgramAdd->click();
  EXPECT_NE(row(page->lvwPrograms, " Lead.exe"), nullptr);
  // The file holds the section under its trimmed name, its values scrambled
  // with that name.
  EXPECT_EQ(programValue("Lead.exe", "Path"), native("Apps/ Lead.exe"));
  // As after a restart: both programs are loaded again and get their rules.
  mv::LoadProgramControlRules();
  ASSERT_TRUE(colProgramList.Contains(mv::LCase(native("Apps/ Lead.exe"))));
  EXPECT_TRUE(colProgramList.Contains("c:\\apps\\browser.exe"));
  mv::ControlLevel = 2;
  ASSERT_TRUE(mv::AddRulesToINI(false, true));
  const std::string rules = readText("System32/drivers/etc/mvd.conf");
  EXPECT_NE(rules.find("C:\\Apps\\Browser.exe=LocalNet Blocked TrustedA2 "), std::string::npos) << rules;
  EXPECT_NE(rules.find(native("Apps/ Lead.exe") + "=LocalNet Blocked TrustedA3 "), std::string::npos);
}

TEST_F(ControlPage, AddAsksForThePasswordFirst) {
  loadPage();
  mv::strPassword = "secret";
  writeText("Games/Chess.exe", "MZ");
  chooseFile(native("Games/Chess.exe"));
  {
    auto login = onLogin("");
    page->cmdProgramControlProgramAdd->click();
    EXPECT_EQ(login->opened, 1);
    EXPECT_EQ(fileDialogs, 0);
  }
  auto login = onLogin("secret");
  page->cmdProgramControlProgramAdd->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(fileDialogs, 1);
  EXPECT_NE(row(page->lvwPrograms, "Chess.exe"), nullptr);
}

TEST_F(ControlPage, RemovingTwentyProgramsAsksWithSixteenNamesAndYesDeletesThem) {
  for (int i = 1; i <= 21; ++i) addProgram("C:\\Apps\\P" + std::to_string(100 + i) + ".exe");
  loadPage();
  for (int i = 0; i < 20; ++i) page->lvwPrograms->topLevelItem(i)->setSelected(true);
  page->lvwPrograms->setCurrentItem(page->lvwPrograms->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);

  answers = {mv::platform::vbNo};
  keyUp(page->lvwPrograms, Qt::Key_Delete);
  ASSERT_EQ(messages.size(), 1u);
  std::string expected = "Do you want to remove following application(s)?\r\n";
  for (int i = 1; i <= 15; ++i) expected += "P" + std::to_string(100 + i) + ".exe\r\n";
  expected += "P116.exe .....\r\n";
  EXPECT_EQ(messages[0].prompt, expected);
  EXPECT_EQ(messages[0].buttons, mv::platform::vbYesNo + mv::platform::vbQuestion);
  EXPECT_EQ(messages[0].title, "Morvantis");
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 21);
  EXPECT_EQ(sectionNames(mv::strProgramControlFile).size(), 21u);

  answers = {mv::platform::vbYes};
  page->cmdRemove->click();
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 1);
  EXPECT_EQ(colProgramList.Count(), 1);
  EXPECT_EQ(sectionNames(mv::strProgramControlFile), std::vector<std::string>{"P121.exe"});
  EXPECT_TRUE(page->cmdRemove->isEnabled());

  // The last one from the program menu: the list is empty, the commands off.
  select(page->lvwPrograms, page->lvwPrograms->topLevelItem(0));
  answers = {mv::platform::vbYes};
  choose("mnuProgramRemove");
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_FALSE(page->cmdRemove->isEnabled());
  EXPECT_FALSE(page->cmdProgramControlProgramOption->isEnabled());
  EXPECT_TRUE(page->rtProgramListDetails->toPlainText().isEmpty());
}

TEST_F(ControlPage, RemovingSeveralProgramsOrComponentsThatCannotBeStoredIsToldOnceAndKeepsThemAll) {
  profile();
  loadPage();
  for (QTreeWidget* list : {page->lvwPrograms, page->lvwComponents})
    for (int i = 0; i < 2; ++i) list->topLevelItem(i)->setSelected(true);
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramControlFile, true));
  answers = {mv::platform::vbYes};
  page->cmdRemove->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt, "The removal of 'Browser.exe', 'Mail.exe' could not be saved in " +
                                    native("Profiles/ProgramControl.MVL") + ".");
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 2);
  EXPECT_EQ(colProgramList.Count(), 2);

  messages.clear();
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strComponentsFile, true));
  answers = {mv::platform::vbYes};
  page->cmdComponentRemove->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt, "The removal of 'libnet.dll', 'libui.dll' could not be saved in " +
                                    native("Profiles/Components.MVL") + ".");
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 2);
  EXPECT_EQ(colComponentList.Count(), 2);
}

// ---------------------------------------------------------------------------
// Details and file commands.

TEST_F(ControlPage, DetailsPropertiesAndFolderUseTheStoredPathAsWritten) {
  const std::string dir = native("Apps");
  std::filesystem::create_directories(dir);
  writeText("Apps/Tool.bin", std::string(2048, 'x'));
  addProgram(dir + "/Tool.bin");
  mv::AddComponentToINI(dir + "/Tool.bin", mv::AccessAllow);
  loadPage();
  std::vector<std::string> sheets, opened;
  mv::platform::setPropertiesSheetHandler([&](const std::string& p) {
    sheets.push_back(p);
    return true;
  });
  mv::platform::setShellOpenHandler([&](const std::string& p) {
    opened.push_back(p);
    return true;
  });

  page->TabProgramControl->setCurrentIndex(1);
  clickCell(page->lvwPrograms, page->lvwPrograms->topLevelItem(0), 0, Qt::LeftButton);
  const std::string details = page->rtProgramListDetails->toPlainText().toStdString();
  EXPECT_EQ(details.substr(0, details.find('\n')), "Product Name : \tTool.bin");
  EXPECT_NE(details.find("Path : \t\t" + dir + "/Tool.bin\n"), std::string::npos);
  EXPECT_NE(details.find("File Size :\t\t2 KB\n"), std::string::npos);
  EXPECT_NE(details.find("Description :\tTool.bin\n"), std::string::npos);
  choose("mnuProgramProperties");
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0], dir + "/Tool.bin");

  page->TabProgramControl->setCurrentIndex(2);
  QTreeWidgetItem* component = page->lvwComponents->topLevelItem(0);
  clickCell(page->lvwComponents, component, 0, Qt::LeftButton);
  EXPECT_NE(page->rtComponentDetails->toPlainText().toStdString().find("Path : \t\t" + dir + "/Tool.bin"),
            std::string::npos);
  choose("mnuComponentProperties");
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[1], dir + "/Tool.bin");
  choose("mnuComponentOpen");
  EXPECT_EQ(opened, std::vector<std::string>{dir + "/"});

  // A component whose folder does not exist, or that names none, opens nothing.
  mv::AddComponentToINI("C:\\Gone\\old.dll", mv::AccessAllow);
  mv::AddComponentToINI("bare.dll", mv::AccessAllow);
  for (const char* name : {"old.dll", "bare.dll"}) {
    select(page->lvwComponents, row(page->lvwComponents, name));
    choose("mnuComponentOpen");
  }
  EXPECT_EQ(opened.size(), 1u);
  mv::platform::setPropertiesSheetHandler(nullptr);
  mv::platform::setShellOpenHandler(nullptr);
}

TEST_F(ControlPage, RemovingAComponentFromItsMenuRefreshesTheButtonAndTheDetails) {
  mv::AddComponentToINI("C:\\Apps\\libnet.dll", mv::AccessAllow);
  loadPage();
  QTreeWidgetItem* net = page->lvwComponents->topLevelItem(0);
  select(page->lvwComponents, net);
  page->lvwComponents_Click();
  EXPECT_FALSE(page->rtComponentDetails->toPlainText().isEmpty());

  mv::strPassword = "secret";
  {
    auto login = onLogin("");
    choose("mnuComponentRemove");
    EXPECT_EQ(login->opened, 1);
  }
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 1);
  mv::strPassword.clear();

  answers = {mv::platform::vbYes};
  choose("mnuComponentRemove");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Do you want to remove the following Component(s)?\r\nlibnet.dll\r\n");
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 0);
  EXPECT_FALSE(colComponentList.Contains("c:\\apps\\libnet.dll"));
  EXPECT_TRUE(sectionNames(mv::strComponentsFile).empty());
  EXPECT_FALSE(page->cmdComponentRemove->isEnabled());
  EXPECT_TRUE(page->rtComponentDetails->toPlainText().isEmpty());
}

TEST_F(ControlPage, ComponentRemoveButtonAndDeleteKey) {
  mv::AddComponentToINI("C:\\Apps\\a.dll", mv::AccessAllow);
  mv::AddComponentToINI("C:\\Apps\\b.dll", mv::AccessAllow);
  loadPage();
  select(page->lvwComponents, row(page->lvwComponents, "a.dll"));
  answers = {mv::platform::vbYes};
  page->cmdComponentRemove->click();
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 1);
  EXPECT_TRUE(page->cmdComponentRemove->isEnabled());
  select(page->lvwComponents, row(page->lvwComponents, "b.dll"));
  answers = {mv::platform::vbYes};
  keyUp(page->lvwComponents, Qt::Key_Delete);
  EXPECT_EQ(page->lvwComponents->topLevelItemCount(), 0);
  EXPECT_FALSE(page->cmdComponentRemove->isEnabled());
}

TEST_F(ControlPage, KeysThatMoveTheSelectionShowItsDetails) {
  addProgram("C:\\Apps\\One.exe");
  addProgram("C:\\Apps\\Two.exe");
  loadPage();
  EXPECT_TRUE(page->rtProgramListDetails->toPlainText().isEmpty());
  select(page->lvwPrograms, row(page->lvwPrograms, "Two.exe"));
  keyUp(page->lvwPrograms, Qt::Key_Down);
  EXPECT_NE(page->rtProgramListDetails->toPlainText().toStdString().find("C:\\Apps\\Two.exe"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Sorting, activity and the options.

TEST_F(ControlPage, HeaderClicksSortAscendingThenDescendingThenAscending) {
  addProgram("C:\\Apps\\Beta.exe", 0, 0, 0, 0);
  addProgram("C:\\Apps\\Alpha.exe", 2, 2, 2, 2);
  addProgram("C:\\Apps\\Gamma.exe", 1, 1, 1, 1);
  loadPage();
  auto order = [&] {
    std::string out;
    for (int i = 0; i < page->lvwPrograms->topLevelItemCount(); ++i)
      out += page->lvwPrograms->topLevelItem(i)->text(0).toStdString().substr(0, 1);
    return out;
  };
  QHeaderView* header = page->lvwPrograms->header();
  auto clickHeader = [&](int section) { emit header->sectionClicked(section); };
  EXPECT_EQ(order(), "BAG");
  // The name column is the list's sort key from the start: a first click on
  // it turns the order round.
  clickHeader(0);
  EXPECT_EQ(order(), "GBA");
  clickHeader(1);  // Trusted access: Allow, Ask, Block
  EXPECT_EQ(order(), "BAG");
  clickHeader(1);
  EXPECT_EQ(order(), "GAB");
  clickHeader(1);
  EXPECT_EQ(order(), "BAG");
  clickHeader(3);
  clickHeader(3);
  EXPECT_EQ(order(), "GAB");
  clickHeader(0);
  EXPECT_EQ(order(), "ABG");
  EXPECT_EQ(page->lvwPrograms->header()->sortIndicatorSection(), 0);
  EXPECT_EQ(page->lvwPrograms->header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(ControlPage, RunningProgramsAreMarkedThroughTheHook) {
  profile();
  loadPage();
  mv::hooks::Call(mv::hooks::ProgramRowActive, std::string("c:\\apps\\browser.exe"), true);
  EXPECT_TRUE(browser()->font(0).bold());
  EXPECT_EQ(browser()->foreground(0).color(), QColor(0, 128, 0));
  mv::hooks::Call(mv::hooks::ProgramRowActive, std::string("C:\\APPS\\BROWSER.EXE"), false);
  EXPECT_FALSE(browser()->font(0).bold());
  EXPECT_EQ(browser()->foreground(0).color(), QColor(0, 0, 0));
  // An unlisted program changes nothing.
  mv::hooks::Call(mv::hooks::ProgramRowActive, std::string("c:\\apps\\other.exe"), true);
  EXPECT_FALSE(browser()->font(0).bold());
  mv::UnloadMDIMain();
  EXPECT_FALSE(static_cast<bool>(mv::hooks::ProgramRowActive));
  EXPECT_EQ(mv::ProgramControlPage(), nullptr);
}

TEST_F(ControlPage, StoreChangesReachTheOpenList) {
  profile();
  loadPage();
  addProgram("C:\\Apps\\New.exe", 1, 1, 1, 1);
  mv::LoadCurrentProgramList("C:\\Apps\\New.exe");
  QTreeWidgetItem* added = row(page->lvwPrograms, "New.exe");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(texts(added, 1, 5), "Block Block Block Block Normal");
  mv::UpdateProgramList("C:\\Apps\\Browser.exe", 2, 2, 2, 2);
  EXPECT_EQ(browserRights(), "Ask Ask Ask Ask");
}

TEST_F(ControlPage, OptionsButtonAndDoubleClickNeedTheLoginAndASelectedProgram) {
  profile();
  loadPage();
  mv::strPassword = "secret";
  auto login = onLogin("");
  page->cmdProgramControlProgramOption->click();
  EXPECT_EQ(login->opened, 1);
  choose("mnuProgramOption");
  EXPECT_EQ(login->opened, 2);
}

// ---------------------------------------------------------------------------
// The page switch.

TEST_F(ControlPage, ToolbarFileMenuAndSettingsLinkOpenThePage) {
  main = mv::MDIMainForm();
  EXPECT_EQ(mv::ProgramControlPageIfLoaded(), nullptr);
  main->ToolbarButton("Program")->trigger();
  page = mv::ProgramControlPageIfLoaded();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(main->ActivePage(), page);
  EXPECT_TRUE(page->isVisible());
  EXPECT_EQ(main->windowTitle().toStdString(), mv::MDIMain::VersionedTitle() + "   [Program control]");

  main->Settings_Click();
  EXPECT_FALSE(page->isVisible());
  main->findChild<QAction*>("mnuProgramControl")->trigger();
  EXPECT_TRUE(page->isVisible());
  EXPECT_EQ(mv::ProgramControlPageIfLoaded(), page);

  main->Settings_Click();
  auto* settings = main->findChild<QWidget*>("frmMorvantisSettings");
  ASSERT_NE(settings, nullptr);
  QLabel* link = settings->findChild<QLabel*>("lbPasslockmode");
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(link, &release);
  EXPECT_EQ(main->ActivePage(), page);
}

}  // namespace
}  // namespace mvtest

namespace mvtest {
namespace {

TEST_F(ProgramPageTest, ThePageAndItsDialogsTakeTheirToolTipsFromTheToolTipFile) {
  writeText("Lang/ToolTip.txt", slurp(std::string(MV_SOURCE_DIR) + "/resources/lang/ToolTip.txt"));
  loadPage();
  EXPECT_EQ(page->cmdRemove->toolTip().toStdString(), "Remove the selected programs");
  EXPECT_EQ(page->sldProgramControlSecurity->toolTip().toStdString(),
            "How strictly programs are controlled: Off, Low, Medium or High");
  mv::frmAdvanceProgram defaults;
  EXPECT_EQ(defaults.cmdProgramOptionApply->toolTip().toStdString(), "Save the changes");
  mv::frmProgramCustom lock;
  EXPECT_EQ(lock.txtlockInterval->toolTip().toStdString(), "Idle minutes before the lock engages (1 to 999)");
}

}  // namespace
}  // namespace mvtest
