// The front end's controls are connected: the toolbar, the File and Help
// menus, the tray menu and the settings page run their commands when the user
// clicks them, and what each window shows follows the engine's state.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/frmLogin.h"
#include "core/frmMorvantisSettings.h"
#include "platform/Shell.h"
#include "rules/EngineState.h"
#include "rules/NetworkCommands.h"
#include "tests/e2e/FrontEndFixture.h"

using namespace mv;
namespace fs = std::filesystem;
using mvtest::ProgramEnded;

namespace {

class Wiring : public mvtest::FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    platform::setShellOpenHandler([this](const std::string& target) {
      opened.push_back(target);
      return true;
    });
  }

  // Starts on the default settings, as a second start does: no repair, the
  // normal rules.
  MDIMain* start() {
    installDefaults();
    Main();
    messages.clear();
    MDIMain* m = MDIMainIfLoaded();
    EXPECT_NE(m, nullptr);
    return m;
  }

  // Clicks the toolbar button as the user does: on its tool button.
  static void clickToolbar(MDIMain* m, const char* key) {
    QAction* action = m->ToolbarButton(key);
    ASSERT_NE(action, nullptr) << key;
    auto* button = qobject_cast<QToolButton*>(m->Toolbar1->widgetForAction(action));
    ASSERT_NE(button, nullptr) << key;
    button->click();
  }

  static void trigger(QObject* owner, const char* name) {
    QAction* a = owner->findChild<QAction*>(name);
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }

  std::string loadedRules() const { return readText("System32/mvs.loaded"); }
  bool runsBlockAll() const { return loadedRules().find("_Default=LocalNet BlockedAll\r\n") != std::string::npos; }

  std::vector<std::string> opened;
};

TEST_F(Wiring, ToolbarButtonsRunTheirCommands) {
  MDIMain* m = start();
  frmTimeTemp* tray = TimerFormIfLoaded();
  ASSERT_NE(tray, nullptr);

  clickToolbar(m, "Lock");
  EXPECT_EQ(CurrentEngineState(), EngineState::Locked);
  EXPECT_TRUE(runsBlockAll());
  EXPECT_EQ(m->ToolbarButton("Lock")->text(), "Unlock");
  EXPECT_EQ(tray->TrayImage(), trayLocked);
  EXPECT_TRUE(tray->mnuSysTrayLockNetwork->isChecked());

  // The same button now unlocks: the normal rules again.
  clickToolbar(m, "Lock");
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);
  EXPECT_FALSE(runsBlockAll());
  EXPECT_EQ(m->ToolbarButton("Lock")->text(), "Lock");

  clickToolbar(m, "Stop");
  EXPECT_EQ(CurrentEngineState(), EngineState::Stopped);
  EXPECT_EQ(tray->TrayImage(), trayStopped);
  EXPECT_TRUE(tray->mnuSysTrayStopAll->isChecked());

  clickToolbar(m, "Apply");
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);
  EXPECT_EQ(tray->TrayImage(), trayNormal);
  EXPECT_FALSE(tray->mnuSysTrayStopAll->isChecked());

  clickToolbar(m, "Help");
  EXPECT_EQ(opened, std::vector<std::string>{strHelpURL});

  clickToolbar(m, "Settings");
  EXPECT_EQ(m->ActivePage(), SettingsPageIfLoaded());
  EXPECT_EQ(m->windowTitle().toStdString(), "Morvantis V1.0   [Settings]");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Wiring, FileAndHelpMenusRunTheirCommands) {
  MDIMain* m = start();
  trigger(m, "mnuLock");
  EXPECT_EQ(CurrentEngineState(), EngineState::Locked);
  trigger(m, "mnuApply");
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);
  trigger(m, "mnuStop");
  EXPECT_EQ(CurrentEngineState(), EngineState::Stopped);
  trigger(m, "mnuSettings");
  EXPECT_EQ(m->ActivePage(), SettingsPageIfLoaded());

  trigger(m, "mnuContents");
  trigger(m, "mnuVisitWebsite");
  trigger(m, "mnuEmailUs");
  EXPECT_EQ(opened, (std::vector<std::string>{strHelpURL, strHomePageURL, "mailto:" + strSupportMail}));

  // Exit restores the default rules with the service stopped.
  EXPECT_THROW(trigger(m, "mnuExit"), ProgramEnded);
  EXPECT_NE(readText("System32/mvs.state").find("stopped"), std::string::npos);
  EXPECT_EQ(ruleFile(), golden("exit_template.conf"));
}

TEST_F(Wiring, HelpAndContactSayWhenTheDesktopsOpenerCannotStart) {
  MDIMain* m = start();
  platform::setShellOpenHandler(nullptr);  // the desktop's own opener
  {
    mvtest::NoProgramsOnPath none;
    trigger(m, "mnuContents");
    trigger(m, "mnuEmailUs");
  }
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].prompt, "No program could be started to open " + strHelpURL + ".");
  EXPECT_EQ(messages[1].prompt, "No program could be started to open " + strSupportMail + ".");
}

TEST_F(Wiring, HelpAndContactSayWhenTheDesktopsOpenerStartsAndFails) {
  MDIMain* m = start();
  platform::setShellOpenHandler(nullptr);  // the desktop's own opener
  mvtest::FailingOpener opener(true);
  trigger(m, "mnuContents");
  // The window is not held while the opener runs.
  ASSERT_TRUE(mvtest::processEventsUntil([&] { return opener.started(); }));
  EXPECT_TRUE(messages.empty());
  opener.release();
  ASSERT_TRUE(mvtest::processEventsUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].prompt, "No program could be started to open " + strHelpURL + ".");
  trigger(m, "mnuVisitWebsite");
  ASSERT_TRUE(mvtest::processEventsUntil([&] { return messages.size() == 2; }));
  EXPECT_EQ(messages[1].prompt, "No program could be started to open " + strHomePageURL + ".");
}

TEST_F(Wiring, TrayMenuRunsItsCommands) {
  MDIMain* m = start();
  frmTimeTemp* tray = TimerFormIfLoaded();
  ASSERT_NE(tray, nullptr);

  trigger(tray, "mnuSysTrayLockNetwork");
  EXPECT_EQ(CurrentEngineState(), EngineState::Locked);
  EXPECT_TRUE(tray->mnuSysTrayLockNetwork->isChecked());
  EXPECT_EQ(m->ToolbarButton("Lock")->text(), "Unlock");
  // Unchecking it applies the settings again.
  trigger(tray, "mnuSysTrayLockNetwork");
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);
  EXPECT_FALSE(tray->mnuSysTrayLockNetwork->isChecked());

  trigger(tray, "mnuSysTrayStopAll");
  EXPECT_EQ(CurrentEngineState(), EngineState::Stopped);
  EXPECT_TRUE(tray->mnuSysTrayStopAll->isChecked());
  EXPECT_TRUE(tray->mnuSysTrayLockNetwork->isChecked());
  trigger(tray, "mnuSysTrayStopAll");
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);

  trigger(tray, "mnuSysTrayHide");
  EXPECT_FALSE(m->isVisible());
  trigger(tray, "mnuSysTrayShow");
  EXPECT_TRUE(m->isVisible());

  trigger(tray, "mnuSysTrayHelp");
  EXPECT_EQ(opened, std::vector<std::string>{strHelpURL});

  EXPECT_THROW(trigger(tray, "mnuSysTrayExit"), ProgramEnded);
  EXPECT_EQ(ruleFile(), golden("exit_template.conf"));
}

TEST_F(Wiring, SettingsPageControlsRunTheirCommands) {
  MDIMain* m = start();
  frmMorvantisSettings* page = SettingsPageIfLoaded();
  ASSERT_NE(page, nullptr);

  // A switch: written at once (no password is set).
  const bool hidden = page->chkHideMorvantis->isChecked();
  page->chkHideMorvantis->click();
  EXPECT_EQ(ReadINI("Main", "HideOnStartup", "", strAlertsSettingFile, true), hidden ? "0" : "1");

  // Reset zeroes the counters, on the page and in the file.
  OPrograms = 9;
  SaveAlertSummary();
  EXPECT_EQ(page->lbOPrograms->text(), "9");
  page->cmdReset->click();
  EXPECT_EQ(page->lbOPrograms->text(), "0");
  EXPECT_EQ(ReadINI("Main", "OPrograms", "", strAlertsSettingFile, true), "0");

  // Set password opens its window; Cancel closes it.
  QTimer close;
  close.setInterval(5);
  bool shown = false;
  QObject::connect(&close, &QTimer::timeout, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      shown = w->objectName() == "frmSetPassword";
      if (auto* cancel = w->findChild<QPushButton*>("cmdCancel")) cancel->click();
    }
  });
  close.start();
  page->cmdSetPassword->click();
  close.stop();
  EXPECT_TRUE(shown);
  EXPECT_EQ(m->ActivePage(), page);
}

// After an Exit refused at the login prompt the user is logged out, and the
// settings page's button says so.
TEST_F(Wiring, ARefusedExitLeavesTheLoginButton) {
  MDIMain* m = start();
  ASSERT_TRUE(setPassword("Secret1"));
  strPassword = "Secret1";
  blnLoggedIn = true;
  frmMorvantisSettings* page = SettingsPageIfLoaded();
  ASSERT_NE(page, nullptr);
  page->ShowLoginState();
  EXPECT_EQ(page->cmdLogin->text(), "&Logout");

  QTimer cancel;
  cancel.setInterval(5);
  QObject::connect(&cancel, &QTimer::timeout, [] {
    if (frmLogin* f = LoginFormIfLoaded(); f && f->isVisible()) f->cmdCancel->click();
  });
  cancel.start();
  trigger(m, "mnuExit");  // would throw ProgramEnded if the program ended
  cancel.stop();
  EXPECT_FALSE(blnLoggedIn);
  EXPECT_EQ(page->cmdLogin->text(), "&Login");
  strPassword.clear();
}

// A start that had to re-create a settings file runs the engine on the
// block-all rules, and every window shows the network locked; Apply brings
// the normal rules back.
TEST_F(Wiring, AStartWithAMissingSettingsFileShowsTheLockedState) {
  installDefaults();
  fs::remove(native("Profiles/ProgramMain.MVL"));
  Main();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt.rfind("Internet is locked.", 0), 0u);
  EXPECT_TRUE(runsBlockAll());
  EXPECT_EQ(CurrentEngineState(), EngineState::Locked);
  MDIMain* m = MDIMainIfLoaded();
  frmTimeTemp* tray = TimerFormIfLoaded();
  ASSERT_NE(m, nullptr);
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(m->ToolbarButton("Lock")->text(), "Unlock");
  EXPECT_EQ(tray->TrayImage(), trayLocked);
  EXPECT_TRUE(tray->mnuSysTrayLockNetwork->isChecked());
  EXPECT_FALSE(tray->mnuSysTrayStopAll->isChecked());

  // The read tick leaves the locked picture alone.
  tray->TimerReadEvent_Timer();
  EXPECT_EQ(tray->TrayImage(), trayLocked);

  clickToolbar(m, "Lock");  // "Unlock"
  EXPECT_EQ(CurrentEngineState(), EngineState::Normal);
  EXPECT_FALSE(runsBlockAll());
  EXPECT_EQ(m->ToolbarButton("Lock")->text(), "Lock");
  EXPECT_EQ(tray->TrayImage(), trayNormal);
  EXPECT_FALSE(tray->mnuSysTrayLockNetwork->isChecked());
}

TEST_F(Wiring, AtTheSmallestWindowEveryTextOfEveryPageIsWhole) {
  MDIMain* m = start();
  m->resize(569, 482);
  for (auto show : {&MDIMain::Settings_Click, &MDIMain::FireWall_Click, &MDIMain::ProgramControl_Click,
                    &MDIMain::Alerts_Logs_Click}) {
    (m->*show)();
    Page* page = m->ActivePage();
    ASSERT_NE(page, nullptr);
    for (QLabel* label : page->findChildren<QLabel*>()) {
      if (label->text().isEmpty() || !label->wordWrap()) continue;
      EXPECT_LE(label->heightForWidth(label->width()), label->height())
          << page->objectName().toStdString() << " " << label->objectName().toStdString() << ": "
          << label->text().toStdString();
    }
  }
}

}  // namespace
