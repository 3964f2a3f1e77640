// The wizard's pages through their controls: the transitions with Back, the
// password page, the program list with its menus, removal and sorting, and
// closing the window.
#include <QMenu>
#include <QRadioButton>

#include "core/Twips.h"
#include "tests/wizard/WizardFixture.h"

using namespace mv;
using mvtest::WizardTest;

class WizardPages : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    ASSERT_NE(start(), nullptr);
  }
  void toListPage() {
    toProgramsPage();
    control<QRadioButton>("optAdvanceProgram")->click();
    click("cmdNext");
    ASSERT_EQ(shownPage(), 6);
  }
  // Adds programs through Add and the open-file dialog.
  void add(const std::vector<std::string>& files) {
    for (const auto& f : files) {
      chosenFiles.push_back(f);
      click("cmdAdd");
    }
  }
  QMenu* shownMenu() const {
    for (const char* name : {"mnuAccess", "mnuServer"})
      if (auto* m = form()->findChild<QMenu*>(name); m && m->isVisible()) return m;
    return nullptr;
  }
  // Opens the cell's menu with a left click and picks the item.
  void pick(int row, int column, const char* item) {
    mouseClick(row, column);
    QMenu* menu = shownMenu();
    ASSERT_NE(menu, nullptr) << item;
    QAction* action = menu->findChild<QAction*>(item);
    ASSERT_NE(action, nullptr) << item;
    menu->hide();
    action->trigger();
  }
};

TEST_F(WizardPages, NextAndBackWalkThePagesInOrder) {
  EXPECT_EQ(shownPage(), 1);
  EXPECT_FALSE(control("cmdBack")->isEnabled());
  // Every page sits in the one page area.
  EXPECT_EQ(TwipsGeometry(control("fraPage1")), (TwipsRect{2560, 0, 5400, 4000}));
  click("cmdNext");
  EXPECT_EQ(shownPage(), 3);
  EXPECT_TRUE(control("cmdBack")->isEnabled());
  click("cmdBack");
  EXPECT_EQ(shownPage(), 1);
  EXPECT_FALSE(control("cmdBack")->isEnabled());
  click("cmdNext");
  click("cmdNext");
  EXPECT_EQ(shownPage(), 4);
  click("cmdBack");
  EXPECT_EQ(shownPage(), 3);
  click("cmdNext");
  // Both boxes empty: no password, on to page 5.
  click("cmdNext");
  EXPECT_EQ(shownPage(), 5);
  EXPECT_EQ(form()->NewPassword, "");
  click("cmdBack");
  EXPECT_EQ(shownPage(), 4);
  click("cmdNext");
  // The first choice goes to the finish page; Back returns to page 5 and the
  // Next button says Next again.
  click("cmdNext");
  EXPECT_EQ(shownPage(), 9);
  EXPECT_EQ(form()->ProgramChoice, 1);
  EXPECT_EQ(text("cmdNext"), "&Finish");
  click("cmdBack");
  EXPECT_EQ(shownPage(), 5);
  EXPECT_EQ(text("cmdNext"), "&Next >");
  // The second choice too.
  control<QRadioButton>("optNoProgramAdd")->click();
  click("cmdNext");
  EXPECT_EQ(shownPage(), 9);
  EXPECT_EQ(form()->ProgramChoice, 2);
  click("cmdBack");
  EXPECT_EQ(shownPage(), 5);
  // The third goes through the program list, and Back from the finish page
  // returns to it.
  control<QRadioButton>("optAdvanceProgram")->click();
  click("cmdNext");
  EXPECT_EQ(shownPage(), 6);
  EXPECT_EQ(form()->ProgramChoice, 3);
  click("cmdNext");
  EXPECT_EQ(shownPage(), 9);
  click("cmdBack");
  EXPECT_EQ(shownPage(), 6);
  EXPECT_EQ(text("cmdNext"), "&Next >");
  click("cmdBack");
  EXPECT_EQ(shownPage(), 5);
  EXPECT_EQ(ended, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(WizardPages, TheAlertOptionsSetTheChoice) {
  click("cmdNext");
  EXPECT_TRUE(control<QRadioButton>("optAlertAlltime")->isChecked());
  EXPECT_EQ(form()->AlertChoice, 1);
  control<QRadioButton>("optAlertDoNot")->click();
  EXPECT_EQ(form()->AlertChoice, 0);
  control<QRadioButton>("optAlertAlltime")->click();
  EXPECT_EQ(form()->AlertChoice, 1);
}

TEST_F(WizardPages, PasswordsThatDifferOrCannotBeStoredStayOnThePage) {
  click("cmdNext");
  click("cmdNext");
  type("txtPassword", "s3cret");
  type("txtConfirmPass", "S3cret");
  click("cmdNext");
  EXPECT_EQ(shownPage(), 4);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Password not matched.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_EQ(messages[0].title, "Morvantis Startup");
  // Only printable characters, as the front end requires.
  type("txtPassword", "tab\there");
  type("txtConfirmPass", "tab\there");
  click("cmdNext");
  EXPECT_EQ(shownPage(), 4);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt.rfind("The password may contain only", 0), 0u);
  // No length is enforced.
  type("txtPassword", "ab");
  type("txtConfirmPass", "ab");
  click("cmdNext");
  EXPECT_EQ(shownPage(), 5);
  EXPECT_EQ(form()->NewPassword, "ab");
}

TEST_F(WizardPages, ThePasswordBoxesSelectTheirTextWhenEntered) {
  click("cmdNext");
  click("cmdNext");
  type("txtConfirmPass", "typed");
  auto* box = control<QLineEdit>("txtConfirmPass");
  box->deselect();
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(box, &in);
  EXPECT_EQ(box->selectedText().toStdString(), "typed");
}

TEST_F(WizardPages, TheProgramsPageNamesWhatTheFirstChoiceAdds) {
  toProgramsPage();
  EXPECT_EQ(text("lbAutoProgram1"), "Default web browser: webbrowser (" + browser + ")");
  EXPECT_EQ(text("Label1"), "System network component: networkd (" + networkManager + ")");
  EXPECT_EQ(text("Label2"), "System network component: systemd (" + serviceManager + ")");
}

TEST_F(WizardPages, EachDefaultProgramHasTwoLinesClearOfTheNextAndOfTheFooter) {
  browser = program("usr/lib/firefox-esr/firefox-esr");
  toProgramsPage();
  const std::vector<QWidget*> rows = {control("lbAutoProgram1"), control("Label1"), control("Label2")};
  auto* footer = control<QLabel>("lbPage5Footer");
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_GE(rows[i]->height(), 2 * rows[i]->fontMetrics().height()) << i;
    const QWidget* below = i + 1 < rows.size() ? rows[i + 1] : footer;
    EXPECT_LT(rows[i]->geometry().bottom(), below->geometry().top()) << i;
  }
  EXPECT_LE(footer->heightForWidth(footer->width()), footer->height());
}

TEST_F(WizardPages, AMachineWithoutABrowserSaysSo) {
  browser.clear();
  toProgramsPage();
  EXPECT_EQ(text("lbAutoProgram1"), "Default web browser: none found on this computer");
}

TEST_F(WizardPages, AddingListsEachNameOnceWithItsRightsAllowed) {
  toListPage();
  const std::string a = program("apps/Mailer"), b = program("apps/reader"), c = program("other/mailer");
  add({a, b, a, c});
  EXPECT_EQ(dialogTitles, std::vector<std::string>(4, "Add Program"));
  // The same program twice, or another with the same name in other letter
  // case, stays one item.
  ASSERT_EQ(programs()->topLevelItemCount(), 2);
  EXPECT_EQ(row(0), (std::vector<std::string>{"Mailer", "Allow", "Allow"}));
  EXPECT_EQ(row(1), (std::vector<std::string>{"reader", "Allow", "Allow"}));
  // A cancelled dialog adds nothing.
  click("cmdAdd");
  EXPECT_EQ(programs()->topLevelItemCount(), 2);
  EXPECT_FALSE(programs()->topLevelItem(0)->icon(0).isNull());
}

TEST_F(WizardPages, TheRightsMenusKeepServerWithinAccess) {
  toListPage();
  add({program("apps/one")});
  programs()->setCurrentItem(programs()->topLevelItem(0));
  struct Step {
    int column;
    const char* item;
    const char* access;
    const char* server;
  };
  const Step steps[] = {
      {1, "mnuAccessBlock", "Block", "Block"},  {2, "mnuServerAllow", "Allow", "Allow"},
      {1, "mnuAccessBlock", "Block", "Block"},  {2, "mnuServerAsk", "Ask", "Ask"},
      {1, "mnuAccessAllow", "Allow", "Ask"},    {2, "mnuServerBlock", "Allow", "Block"},
      {2, "mnuServerAsk", "Allow", "Ask"},      {1, "mnuAccessAsk", "Ask", "Ask"},
      {2, "mnuServerBlock", "Ask", "Block"},    {1, "mnuAccessAllow", "Allow", "Block"},
  };
  for (const Step& s : steps) {
    pick(0, s.column, s.item);
    EXPECT_EQ(row(0), (std::vector<std::string>{"one", s.access, s.server})) << s.item;
  }
}

TEST_F(WizardPages, OnlyALeftClickOnARightOpensAMenu) {
  toListPage();
  add({program("apps/one")});
  programs()->setCurrentItem(programs()->topLevelItem(0));
  mouseClick(0, 0);
  EXPECT_EQ(shownMenu(), nullptr);
  mouseClick(0, 1, Qt::RightButton);
  EXPECT_EQ(shownMenu(), nullptr);
  mouseClick(0, 2);
  ASSERT_NE(shownMenu(), nullptr);
  EXPECT_EQ(shownMenu()->objectName().toStdString(), "mnuServer");
  shownMenu()->hide();
  mouseClick(0, 1);
  ASSERT_NE(shownMenu(), nullptr);
  EXPECT_EQ(shownMenu()->objectName().toStdString(), "mnuAccess");
  shownMenu()->hide();
}

TEST_F(WizardPages, RemoveAsksWithTheFirstSixteenNames) {
  toListPage();
  std::vector<std::string> files;
  for (int i = 0; i < 20; ++i) files.push_back(program("apps/p" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
  add(files);
  ASSERT_EQ(programs()->topLevelItemCount(), 20);
  programs()->selectAll();
  answers = {platform::vbNo};
  click("cmdRemove");
  ASSERT_EQ(messages.size(), 1u);
  std::string expected = "Do you want to remove following application(s)?\r\n";
  for (int i = 0; i < 15; ++i) expected += "p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\r\n";
  expected += "p15 .....\r\n";
  EXPECT_EQ(messages[0].prompt, expected);
  EXPECT_EQ(messages[0].buttons, platform::vbQuestion + platform::vbYesNo);
  EXPECT_EQ(programs()->topLevelItemCount(), 20);
  // Yes removes the selected ones only.
  programs()->clearSelection();
  programs()->topLevelItem(3)->setSelected(true);
  programs()->topLevelItem(7)->setSelected(true);
  answers = {platform::vbYes};
  click("cmdRemove");
  EXPECT_EQ(messages[1].prompt, "Do you want to remove following application(s)?\r\np03\r\np07\r\n");
  ASSERT_EQ(programs()->topLevelItemCount(), 18);
  EXPECT_EQ(row(3)[0], "p04");
  EXPECT_EQ(row(6)[0], "p08");
  // Nothing selected: no question.
  programs()->clearSelection();
  click("cmdRemove");
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(WizardPages, AColumnClickSortsAndASecondTurnsTheOrder) {
  toListPage();
  add({program("apps/b"), program("apps/a"), program("apps/c")});
  programs()->setCurrentItem(programs()->topLevelItem(0));
  pick(0, 1, "mnuAccessBlock");  // b: Block
  auto header = programs()->header();
  emit header->sectionClicked(0);
  EXPECT_EQ(row(0)[0], "a");
  EXPECT_EQ(row(2)[0], "c");
  emit header->sectionClicked(0);
  EXPECT_EQ(row(0)[0], "c");
  emit header->sectionClicked(1);
  EXPECT_EQ(row(2)[0], "b");
}

TEST_F(WizardPages, CancelAsksAndNoKeepsThePage) {
  click("cmdNext");
  answers = {platform::vbNo};
  click("cmdCancel");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Are you sure you want to exit from Morvantis Startup");
  EXPECT_EQ(messages[0].buttons, platform::vbQuestion + platform::vbYesNo);
  EXPECT_TRUE(form()->isVisible());
  EXPECT_EQ(shownPage(), 3);
  // Yes closes the window; nothing is written.
  const std::string before = readText("Profiles/AlertsAndLogSetting.MVL");
  answers = {platform::vbYes};
  click("cmdCancel");
  EXPECT_FALSE(form()->isVisible());
  EXPECT_EQ(readText("Profiles/AlertsAndLogSetting.MVL"), before);
  EXPECT_EQ(ended, 0);
}

TEST_F(WizardPages, TheDialogOpensOnTheFolderOfProgramsThenWhereTheLastProgramWas) {
  toListPage();
  add({program("apps/one")});
  click("cmdAdd");
  EXPECT_EQ(dialogFolders, (std::vector<std::string>{"/usr/bin\\", native("apps") + "/"}));
}

TEST_F(WizardPages, APathTheFrontEndWouldDropIsRefusedWithTheMessageOfItsAdd) {
  toListPage();
  const std::string odd = program("apps/a=b");
  add({odd});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The program " + odd + " cannot be added: its path holds \"=\".");
  EXPECT_EQ(messages[0].buttons, platform::vbExclamation);
  EXPECT_EQ(messages[0].title, "Morvantis Startup");
  EXPECT_EQ(programs()->topLevelItemCount(), 0);
}

TEST_F(WizardPages, AScriptIsListedAsTheProgramThatRunsItWhenTheUserAgrees) {
  toListPage();
  const std::string script = writeScript("apps/backup", "/bin/sh");
  // The engine names a running script as /proc/PID/exe names it.
  const std::string seen = mvtest::runningExecutable(script);
  ASSERT_FALSE(seen.empty());
  answers = {platform::vbNo};
  add({script});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, script + " is a script. The firewall sees the program that runs it, " + seen +
                                    ", and the rights given to that program cover every script it runs.\r\n\r\n"
                                    "Do you want to add " + seen + "?");
  EXPECT_EQ(messages[0].buttons, platform::vbQuestion + platform::vbYesNo);
  EXPECT_EQ(programs()->topLevelItemCount(), 0);

  answers = {platform::vbYes};
  add({script});
  ASSERT_EQ(messages.size(), 2u);
  ASSERT_EQ(programs()->topLevelItemCount(), 1);
  // The path the finish stores for the program.
  ASSERT_EQ(form()->Choices().programs.size(), 1u);
  EXPECT_EQ(form()->Choices().programs[0].path, seen);
}
