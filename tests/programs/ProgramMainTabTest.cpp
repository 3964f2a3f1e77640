// The "Main" tab of the program-control page: the level slider, component
// control, the automatic lock and the buttons to the two dialogs, each
// behind the login gate once the page has loaded.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSlider>

#include "core/frmMorvantisSettings.h"
#include "platform/FileSystem.h"
#include "programs/frmAdvanceProgram.h"
#include "programs/frmProgramCustom.h"
#include "tests/programs/ProgramPageFixture.h"
#include "tests/support/FolderLockHolder.h"

namespace mvtest {
namespace {

class MainTab : public ProgramPageTest {
 protected:
  std::string levelTexts() const {
    return page->lblProgramControlSelected->text().toStdString() + "|" +
           page->lblProgramControlDescription->text().toStdString() + "|" +
           page->lblProgramControlNote->text().toStdString();
  }
  std::string lockTexts() const {
    return page->lblProgramLockSelected->text().toStdString() + "|" +
           page->lblProgramLockDescription->text().toStdString();
  }
  static void setMain(const std::string& key, const std::string& value) {
    EXPECT_TRUE(mv::WriteINI("Main", key, value, mv::strProgramMainFile, true));
  }
  // The settings page's summary label of the automatic lock.
  std::string summaryLock() const {
    auto* settings = mv::SettingsPageIfLoaded();
    return settings ? settings->lbPasslockmode->text().toStdString() : "<none>";
  }
};

TEST_F(MainTab, LoadShowsTheStoredLevelSwitchAndLockWithoutAskingForThePasswordAndStoresNothing) {
  mv::strPassword = "secret";
  setMain("ControlLevel", "3");
  setMain("ControlEnable", "0");
  setMain("AutomaticLock", "0");
  mv::AutomaticLock = true;
  auto login = onLogin("");
  loadPage();
  EXPECT_EQ(login->opened, 0);
  EXPECT_EQ(page->sldProgramControlSecurity->value(), 3);
  EXPECT_EQ(levelTexts(), "High :|Program must ask for Internet access and server rights.|Component control is on.");
  EXPECT_EQ(mv::ControlLevel, 3);
  EXPECT_FALSE(page->chkComponentControl->isChecked());
  EXPECT_TRUE(page->OptProgramControlOn->isChecked());
  EXPECT_EQ(lockTexts(), "On :|Automatic Internet lock is enabled");
  // Showing the page stores nothing: the file keeps its own lock.
  EXPECT_EQ(mainValue("AutomaticLock"), "0");
  EXPECT_EQ(page->fraProgramControlSecurity->title(), "Program Control Security");
  EXPECT_EQ(page->Frame2->title(), "Automatic Lock");
  EXPECT_EQ(page->chkComponentControl->text(), "Enabled Component Control");
}

TEST_F(MainTab, OpeningThePageWhileAnotherProgramIsSavingSaysNothing) {
  // Both controls move from where they were built: the slider to 3, the
  // box to checked.
  setMain("ControlLevel", "3");
  setMain("ControlEnable", "1");
  mvtest::FolderLockHolder other;
  ASSERT_TRUE(other.held());
  loadPage();
  EXPECT_EQ(page->sldProgramControlSecurity->value(), 3);
  EXPECT_TRUE(page->chkComponentControl->isChecked());
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(other.release());
}

TEST_F(MainTab, AnUnknownLevelLeavesTheSliderAndAMissingSwitchShowsItOn) {
  setMain("ControlLevel", "7");
  const std::string text = readText("Profiles/ProgramMain.MVL");
  const auto at = text.find("ControlEnable=");
  writeText("Profiles/ProgramMain.MVL", text.substr(0, at) + text.substr(text.find("\r\n", at) + 2));
  ASSERT_EQ(mainValue("ControlEnable"), "");
  loadPage();
  EXPECT_EQ(page->sldProgramControlSecurity->value(), 0);
  EXPECT_EQ(levelTexts(), "||");
  EXPECT_EQ(mainValue("ControlLevel"), "7");
  EXPECT_TRUE(page->chkComponentControl->isChecked());
}

TEST_F(MainTab, EachSliderPositionIsStoredWithItsTexts) {
  mv::MDIMainForm();
  loadPage();
  const char* expected[] = {
      "Off :|Program control is off.|Component control is off.",
      "Low :|Program control is in learning mode.|Component control is in learning mode.",
      "Medium :|Program must ask for Internet access and server rights.|Component control is in learning mode.",
      "High :|Program must ask for Internet access and server rights.|Component control is on."};
  for (int level : {3, 1, 2, 0}) {
    page->sldProgramControlSecurity->setValue(level);
    EXPECT_EQ(mainValue("ControlLevel"), std::to_string(level));
    EXPECT_EQ(mv::ControlLevel, level);
    EXPECT_EQ(levelTexts(), expected[level]);
    EXPECT_TRUE(page->sldProgramControlSecurity->isEnabled());
  }
  EXPECT_EQ(mv::SettingsPageIfLoaded()->lbProgramControl->text().toStdString(), "Off");
}

TEST_F(MainTab, ACancelledLoginPutsTheSliderBackAndWritesNothing) {
  setMain("ControlLevel", "2");
  loadPage();
  mv::strPassword = "secret";
  {
    auto login = onLogin("");
    page->sldProgramControlSecurity->setValue(0);
    EXPECT_EQ(login->opened, 1);
  }
  EXPECT_EQ(page->sldProgramControlSecurity->value(), 2);
  EXPECT_TRUE(page->sldProgramControlSecurity->isEnabled());
  EXPECT_EQ(mainValue("ControlLevel"), "2");
  EXPECT_EQ(mv::ControlLevel, 2);
  EXPECT_EQ(page->lblProgramControlSelected->text().toStdString(), "Medium :");

  auto login = onLogin("secret");
  page->sldProgramControlSecurity->setValue(3);
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(mainValue("ControlLevel"), "3");
  // Logged in now: no second question.
  page->sldProgramControlSecurity->setValue(1);
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(mainValue("ControlLevel"), "1");
}

TEST_F(MainTab, ALevelThatCannotBeStoredIsNotShown) {
  setMain("ControlLevel", "2");
  loadPage();
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramMainFile, true));
  page->sldProgramControlSecurity->setValue(3);
  EXPECT_EQ(page->sldProgramControlSecurity->value(), 2);
  EXPECT_EQ(mv::ControlLevel, 2);
  EXPECT_EQ(page->lblProgramControlSelected->text().toStdString(), "Medium :");
}

TEST_F(MainTab, ALoadOnASettingsFileThatCannotBeWrittenTellsNothingAndShowsWhatIsStored) {
  setMain("ControlLevel", "3");
  setMain("ControlEnable", "0");
  mv::AutomaticLock = true;  // as start-up loads the shipped file
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramMainFile, true));
  loadPage();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(page->sldProgramControlSecurity->value(), 3);
  EXPECT_FALSE(page->chkComponentControl->isChecked());
}

TEST_F(MainTab, ComponentControlIsStoredAndARefusedLoginPutsTheBoxBack) {
  loadPage();
  page->chkComponentControl->click();
  EXPECT_FALSE(page->chkComponentControl->isChecked());
  EXPECT_EQ(mainValue("ControlEnable"), "0");
  mv::strPassword = "secret";
  {
    auto login = onLogin("");
    page->chkComponentControl->click();
    EXPECT_EQ(login->opened, 1);
  }
  EXPECT_FALSE(page->chkComponentControl->isChecked());
  EXPECT_EQ(mainValue("ControlEnable"), "0");
  auto login = onLogin("secret");
  page->chkComponentControl->click();
  EXPECT_TRUE(page->chkComponentControl->isChecked());
  EXPECT_EQ(mainValue("ControlEnable"), "1");
}

TEST_F(MainTab, TheAutomaticLockOptionsAreStoredAndRefreshTheSummary) {
  mv::AutomaticLock = true;
  mv::MDIMainForm();
  loadPage();
  EXPECT_EQ(summaryLock(), "On");
  page->OptProgramControlOff->click();
  EXPECT_TRUE(page->OptProgramControlOff->isChecked());
  EXPECT_EQ(lockTexts(), "Off :|Automatic Internet lock is disabled");
  EXPECT_EQ(mainValue("AutomaticLock"), "0");
  EXPECT_FALSE(mv::AutomaticLock);
  EXPECT_EQ(summaryLock(), "Off");

  mv::strPassword = "secret";
  {
    auto login = onLogin("");
    page->OptProgramControlOn->click();
    EXPECT_EQ(login->opened, 1);
  }
  EXPECT_TRUE(page->OptProgramControlOff->isChecked());
  EXPECT_FALSE(page->OptProgramControlOn->isChecked());
  EXPECT_EQ(lockTexts(), "Off :|Automatic Internet lock is disabled");
  EXPECT_EQ(mainValue("AutomaticLock"), "0");
  EXPECT_FALSE(mv::AutomaticLock);

  auto login = onLogin("secret");
  page->OptProgramControlOn->click();
  EXPECT_TRUE(page->OptProgramControlOn->isChecked());
  EXPECT_EQ(mainValue("AutomaticLock"), "1");
  EXPECT_TRUE(mv::AutomaticLock);
  EXPECT_EQ(summaryLock(), "On");
}

TEST_F(MainTab, TheDialogButtonsOpenTheirDialogsAfterTheLogin) {
  loadPage();
  mv::strPassword = "secret";
  auto advance = std::make_unique<ModalDriver>([] { return mv::AdvanceProgramFormIfLoaded(); },
                                               [] { mv::AdvanceProgramFormIfLoaded()->cmdProgramOptionCancel->click(); });
  auto custom = std::make_unique<ModalDriver>([] { return mv::ProgramCustomFormIfLoaded(); },
                                              [] { mv::ProgramCustomFormIfLoaded()->cmdCancel->click(); });
  {
    auto login = onLogin("");
    page->cmdProgramControlAdvance->click();
    page->cmdProgramLockCustom->click();
    EXPECT_EQ(login->opened, 2);
  }
  EXPECT_EQ(advance->opened, 0);
  EXPECT_EQ(custom->opened, 0);
  auto login = onLogin("secret");
  page->cmdProgramControlAdvance->click();
  page->cmdProgramLockCustom->click();
  EXPECT_EQ(advance->opened, 1);
  EXPECT_EQ(custom->opened, 1);
  EXPECT_EQ(advance->leftOpen + custom->leftOpen, 0);
  EXPECT_EQ(mv::AdvanceProgramFormIfLoaded(), nullptr);
}

}  // namespace
}  // namespace mvtest
