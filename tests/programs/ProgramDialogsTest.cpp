// The defaults for new programs and the lock settings dialogs, driven
// through their controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ScreenSaver.h"
#include "programs/frmAdvanceProgram.h"
#include "programs/frmProgramCustom.h"
#include "tests/programs/ProgramStoreFixture.h"
#include "tests/support/SessionBus.h"

namespace mvtest {
namespace {

// ---------------------------------------------------------------------------
// Defaults for new programs.

class DefaultsDialog : public ProgramStoreTest {
 protected:
  void setDefaults(int at, int ai, int st, int si) {
    mv::DefaultAccessTrusted = static_cast<std::uint8_t>(at);
    mv::DefaultAccessInternet = static_cast<std::uint8_t>(ai);
    mv::DefaultServerTrusted = static_cast<std::uint8_t>(st);
    mv::DefaultServerInternet = static_cast<std::uint8_t>(si);
  }
  // The selected option of each group: A allow, D deny, K ask, - none.
  static std::string shown(mv::frmAdvanceProgram& d) {
    std::string out;
    for (const auto* group : {&d.optAccessTrusted, &d.optAccessInternet, &d.optServerTrusted, &d.optServerInternet}) {
      char c = '-';
      for (int i = 0; i < 3; ++i)
        if ((*group)[static_cast<std::size_t>(i)]->isChecked()) c = "ADK"[i];
      out += c;
    }
    return out;
  }
  static std::string stored(const std::string& key) { return mv::ReadINI("Main", key, "", mv::strProgramMainFile, true); }
};

TEST_F(DefaultsDialog, CaptionsAndFootersFollowTheControlLevel) {
  mv::ControlLevel = 0;
  mv::frmAdvanceProgram off;
  EXPECT_EQ(off.windowTitle(), "Advance Program Settings");
  EXPECT_EQ(off.TabProgramOption->tabText(0), "Access Permissions");
  EXPECT_EQ(off.TabProgramOption->tabText(1), "Alerts && Functionality");
  EXPECT_EQ(off.lbAccessPermisionHeader->text(), "Set default behaviour for all programs add to Morvantis in future.");
  EXPECT_EQ(off.chkDenyOnAsk->text(),
            "Deny access if permission is set to 'Ask' and Morvantis service is not running.");
  EXPECT_EQ(off.optAccessTrusted[1]->text(), "Always deny access");
  EXPECT_EQ(off.lbAlertsFooter->text(),
            "Program Control is OFF: \n Any change can't effect untill program control is off.");
  EXPECT_FALSE(off.lbAccessPermissionFooter->isHidden());
  EXPECT_FALSE(off.lbAlertsFooter->isHidden());
  for (int level = 1; level <= 3; ++level) {
    mv::ControlLevel = static_cast<std::uint8_t>(level);
    mv::frmAdvanceProgram on;
    EXPECT_TRUE(on.lbAccessPermissionFooter->isHidden()) << level;
    EXPECT_TRUE(on.lbAlertsFooter->isHidden()) << level;
  }
}

TEST_F(DefaultsDialog, DefaultsOutOfOrderOpenAllAllowedAndChangeOnlyWhenApplied) {
  setDefaults(mv::AccessBlock, mv::AccessAllow, mv::AccessAllow, mv::AccessAllow);
  mv::ShowAlertOnInternetAccess = true;
  mv::DenyAccessOnAsk = false;
  mv::RequiredAdminRites = true;
  const std::string before = readText("Profiles/ProgramMain.MVL");
  mv::frmAdvanceProgram dialog;
  EXPECT_EQ(shown(dialog), "AAAA");
  EXPECT_FALSE(dialog.cmdProgramOptionApply->isEnabled());
  EXPECT_TRUE(dialog.chkShowInternetAccess->isChecked());
  EXPECT_FALSE(dialog.chkDenyOnAsk->isChecked());
  EXPECT_TRUE(dialog.chkRequiredAdminRites->isChecked());
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(mv::DefaultAccessTrusted, mv::AccessBlock);
  // OK with nothing to apply writes nothing.
  dialog.cmdProgramOptionOk->click();
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), before);
  EXPECT_EQ(mv::DefaultAccessTrusted, mv::AccessBlock);
}

TEST_F(DefaultsDialog, DefaultsThatCannotBeStoredAreToldAndTheDialogStaysOpen) {
  setDefaults(mv::AccessAllow, mv::AccessAllow, mv::AccessAllow, mv::AccessAllow);
  const std::string before = readText("Profiles/ProgramMain.MVL");
  mv::frmAdvanceProgram dialog;
  dialog.show();
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramMainFile, true));
  dialog.optAccessTrusted[1]->click();
  dialog.cmdProgramOptionOk->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The defaults for new programs could not be saved in " + native("Profiles/ProgramMain.MVL") + ".");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.cmdProgramOptionApply->isEnabled());
  EXPECT_EQ(mv::DefaultAccessTrusted, mv::AccessAllow);
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), before);
}

TEST_F(DefaultsDialog, OptionsFollowTheRightsOrder) {
  setDefaults(mv::AccessBlock, mv::AccessBlock, mv::AccessBlock, mv::AccessBlock);
  mv::frmAdvanceProgram dialog;
  EXPECT_EQ(shown(dialog), "DDDD");
  dialog.optServerInternet[2]->click();
  EXPECT_EQ(shown(dialog), "KKKK");
  EXPECT_TRUE(dialog.cmdProgramOptionApply->isEnabled());
  dialog.optAccessInternet[0]->click();
  EXPECT_EQ(shown(dialog), "AAKK");
  dialog.optAccessTrusted[1]->click();
  EXPECT_EQ(shown(dialog), "DDDD");
  dialog.optServerInternet[0]->click();
  EXPECT_EQ(shown(dialog), "AAAA");
  dialog.optServerTrusted[1]->click();
  EXPECT_EQ(shown(dialog), "AADD");
  dialog.optAccessTrusted[2]->click();
  EXPECT_EQ(shown(dialog), "KKDD");
}

TEST_F(DefaultsDialog, DenyOnAskTellsWhatItMeansOnceLoaded) {
  mv::DenyAccessOnAsk = true;
  mv::frmAdvanceProgram dialog;
  EXPECT_TRUE(messages.empty());
  dialog.chkDenyOnAsk->click();
  dialog.chkDenyOnAsk->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].prompt, "If the server permission is set to Ask then \r\nit will automatically Allow the application.");
  EXPECT_EQ(messages[1].prompt, "If the server permission is set to Ask then \r\nit will automatically Block the application.");
  EXPECT_EQ(messages[0].buttons, mv::platform::vbInformation);
  EXPECT_EQ(messages[0].title, "Morvantis");
}

TEST_F(DefaultsDialog, ApplyStoresOnlyTheChangedKeysInOrderAndCancelDropsTheRest) {
  // A [Main] without the keys the dialog writes shows which it writes, and
  // in which order.
  writeText("Profiles/ProgramMain.MVL", "[Main]\r\n");
  setDefaults(mv::AccessAsk, mv::AccessAsk, mv::AccessAsk, mv::AccessAsk);
  mv::frmAdvanceProgram dialog;
  // Another program stores a value the dialog shows: it stays.
  ASSERT_TRUE(mv::WriteINI("Main", "DenyAccessOnAsk", "1", mv::strProgramMainFile, true));
  dialog.optAccessTrusted[0]->click();
  dialog.optServerInternet[1]->click();
  dialog.chkRequiredAdminRites->click();
  dialog.cmdProgramOptionApply->click();
  EXPECT_FALSE(dialog.cmdProgramOptionApply->isEnabled());
  const auto entries = sectionEntries(mv::strProgramMainFile, "Main");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"DenyAccessOnAsk", "1"}, {"RequiredAdminRites", "1"}, {"DefaultAccessTrusted", "0"}, {"DefaultServerInternet", "1"}};
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(mv::DefaultAccessTrusted, mv::AccessAllow);
  EXPECT_EQ(mv::DefaultServerInternet, mv::AccessBlock);
  EXPECT_TRUE(mv::RequiredAdminRites);

  // New programs now take these defaults.
  addProgram("C:\\Apps\\New.exe");
  EXPECT_EQ(mv::colProgramList.Item("c:\\apps\\new.exe")->ServerInternet, "Block");

  dialog.optAccessInternet[1]->click();
  dialog.cmdProgramOptionCancel->click();
  EXPECT_EQ(stored("DefaultAccessInternet"), "");
  EXPECT_EQ(mv::DefaultAccessInternet, mv::AccessAsk);
}

TEST_F(DefaultsDialog, OkSavesPendingChanges) {
  mv::frmAdvanceProgram dialog;
  dialog.optAccessTrusted[1]->click();
  dialog.cmdProgramOptionOk->click();
  EXPECT_EQ(stored("DefaultAccessTrusted"), "1");
  EXPECT_EQ(stored("DefaultServerInternet"), "1");
  EXPECT_EQ(mv::DefaultAccessInternet, mv::AccessBlock);
}

// ---------------------------------------------------------------------------
// Lock settings.

class LockDialog : public ProgramStoreTest {
 protected:
  void SetUp() override {
    ProgramStoreTest::SetUp();
    mv::LockMode = true;
    mv::LockInterval = 10;
    mv::EngagesMode = false;
    mv::AutomaticLock = true;
  }
  static std::string stored(const std::string& key) {
    return mv::ReadINI("AutoLock", key, "", mv::strProgramMainFile, true);
  }
  static void type(QWidget* w, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
  }
  static std::string box(const mv::frmProgramCustom& d) { return d.txtlockInterval->text().toStdString(); }
};

TEST_F(LockDialog, ShowsTheStoredSettings) {
  mv::frmProgramCustom dialog;
  EXPECT_EQ(dialog.windowTitle(), "Custom Lock Settings");
  EXPECT_EQ(dialog.tabAutoLock->tabText(0), "Auto Lock");
  EXPECT_TRUE(dialog.optLockTimeMode->isChecked());
  EXPECT_EQ(box(dialog), "10");
  EXPECT_TRUE(dialog.txtlockInterval->isEnabled());
  EXPECT_TRUE(dialog.Up_Down_minute->isEnabled());
  EXPECT_TRUE(dialog.optBlockInternet->isChecked());
  EXPECT_TRUE(dialog.lbAccessPermissionFooter->isHidden());
  EXPECT_EQ(dialog.optLockTimeMode->text(), "Lock after                 minutes of inactivity");
}

TEST_F(LockDialog, TheIntervalBoxTakesDigitsOnlyAndStaysBetweenOneAnd999) {
  mv::frmProgramCustom dialog;
  QLineEdit* edit = dialog.txtlockInterval;
  edit->setFocus();
  edit->end(false);
  type(edit, Qt::Key_Backspace, "\b");
  EXPECT_EQ(box(dialog), "1");
  edit->end(false);
  type(edit, Qt::Key_Backspace, "\b");
  EXPECT_EQ(box(dialog), "1");
  type(edit, Qt::Key_A, "a");
  type(edit, Qt::Key_Minus, "-");
  EXPECT_EQ(box(dialog), "1");
  type(edit, Qt::Key_2, "2");
  type(edit, Qt::Key_5, "5");
  EXPECT_EQ(box(dialog), "125");
  type(edit, Qt::Key_0, "0");
  EXPECT_EQ(box(dialog), "999");
  // A pasted text that is not a number is refused.
  edit->selectAll();
  edit->insert("4x");
  EXPECT_EQ(box(dialog), "999");
}

TEST_F(LockDialog, TheSpinnerStopsAtOneAnd999) {
  mv::LockInterval = 2;
  mv::frmProgramCustom dialog;
  dialog.Up_Down_minute->stepDown();
  EXPECT_EQ(box(dialog), "1");
  dialog.Up_Down_minute->stepDown();
  EXPECT_EQ(box(dialog), "1");
  dialog.Up_Down_minute->stepUp();
  EXPECT_EQ(box(dialog), "2");
  dialog.txtlockInterval->setText("998");
  dialog.Up_Down_minute->stepUp();
  dialog.Up_Down_minute->stepUp();
  EXPECT_EQ(box(dialog), "999");
}

TEST_F(LockDialog, OkStoresTheIdleModeTheMinutesAndTheEngagesMode) {
  mv::frmProgramCustom dialog;
  dialog.txtlockInterval->setText("25");
  dialog.optAllowLockProgram->click();
  dialog.cmdOk->click();
  EXPECT_EQ(stored("LockMode"), "1");
  EXPECT_EQ(stored("LockInterval"), "25");
  EXPECT_EQ(stored("EngagesMode"), "1");
  EXPECT_TRUE(mv::LockMode);
  EXPECT_EQ(mv::LockInterval, 25);
  EXPECT_TRUE(mv::EngagesMode);
}

TEST_F(LockDialog, ScreenSaverModeKeepsTheStoredIntervalAndTheBoxHoldsIt) {
  EXPECT_TRUE(mv::WriteINI("AutoLock", "LockInterval", "15", mv::strProgramMainFile, true));
  EXPECT_TRUE(mv::WriteINI("AutoLock", "LockMode", "0", mv::strProgramMainFile, true));
  mv::LockMode = false;
  mv::LockInterval = 15;
  mv::frmProgramCustom dialog;
  EXPECT_TRUE(dialog.optLockScreenSaver->isChecked());
  EXPECT_FALSE(dialog.txtlockInterval->isEnabled());
  EXPECT_FALSE(dialog.Up_Down_minute->isEnabled());
  EXPECT_EQ(box(dialog), "15");
  dialog.optLockTimeMode->click();
  EXPECT_TRUE(dialog.txtlockInterval->isEnabled());
  dialog.txtlockInterval->setText("40");
  dialog.optLockScreenSaver->click();
  dialog.cmdOk->click();
  EXPECT_EQ(stored("LockMode"), "0");
  EXPECT_EQ(stored("LockInterval"), "15");
  EXPECT_FALSE(mv::LockMode);
  // Memory keeps the stored interval: the lock counts what the file holds.
  EXPECT_EQ(mv::LockInterval, 15);
  EXPECT_EQ(readText("Err.log"), "");
}

TEST_F(LockDialog, OkStoresOnlyTheSettingsTheUserChanged) {
  mv::frmProgramCustom dialog;
  // Another program stores what the dialog shows: what the user leaves
  // alone stays as that program stored it.
  ASSERT_TRUE(mv::WriteINIKeys("AutoLock", {{"LockMode", "0"}, {"EngagesMode", "1"}}, mv::strProgramMainFile, true));
  dialog.txtlockInterval->setText("25");
  dialog.cmdOk->click();
  EXPECT_EQ(stored("LockMode"), "0");
  EXPECT_EQ(stored("LockInterval"), "25");
  EXPECT_EQ(stored("EngagesMode"), "1");
  EXPECT_EQ(mv::LockInterval, 25);
  EXPECT_FALSE(mv::EngagesMode);
}

TEST_F(LockDialog, SettingsThatCannotBeStoredAreToldAndMemoryKeepsTheStoredOnes) {
  const std::string before = readText("Profiles/ProgramMain.MVL");
  mv::frmProgramCustom dialog;
  dialog.show();
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramMainFile, true));
  dialog.txtlockInterval->setText("40");
  dialog.optLockScreenSaver->click();
  dialog.optAllowLockProgram->click();
  dialog.cmdOk->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The lock settings could not be saved in " + native("Profiles/ProgramMain.MVL") + ".");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(mv::LockMode);
  EXPECT_EQ(mv::LockInterval, 10);
  EXPECT_FALSE(mv::EngagesMode);
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), before);
}

TEST_F(LockDialog, CancelChangesNothing) {
  const std::string before = readText("Profiles/ProgramMain.MVL");
  mv::frmProgramCustom dialog;
  dialog.txtlockInterval->setText("77");
  dialog.optLockScreenSaver->click();
  dialog.optAllowLockProgram->click();
  dialog.cmdCancel->click();
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), before);
  EXPECT_TRUE(mv::LockMode);
  EXPECT_EQ(mv::LockInterval, 10);
  EXPECT_FALSE(mv::EngagesMode);
}

TEST_F(LockDialog, WithTheLockOffTheFooterShowsAndSavingStillWorks) {
  mv::AutomaticLock = false;
  mv::frmProgramCustom dialog;
  EXPECT_FALSE(dialog.lbAccessPermissionFooter->isHidden());
  EXPECT_EQ(dialog.lbAccessPermissionFooter->text(),
            "Auto Lock Control is OFF: \n Any change can't effect untill Auto Lock Control is off.");
  dialog.txtlockInterval->setText("5");
  dialog.cmdOk->click();
  EXPECT_EQ(stored("LockInterval"), "5");
}

TEST_F(LockDialog, TheScreenSaverModeSaysSoWhereNoScreenSaverAnswersAndTheIdleMinutesStillWork) {
  const QString note =
      "No screen saver answers on this desktop: the lock cannot follow it. Choose the idle minutes instead.";
  {
    // A session bus on which no screen saver is registered.
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address.isEmpty());
    mv::frmProgramCustom dialog;
    dialog.show();
    EXPECT_TRUE(dialog.lblScreenSaverMissing->isHidden());
    dialog.optLockScreenSaver->click();
    ASSERT_TRUE(waitFor([&] { return dialog.lblScreenSaverMissing->isVisible(); }));
    EXPECT_EQ(dialog.lblScreenSaverMissing->text(), note);

    // The idle minutes take the note away and are stored as ever.
    dialog.optLockTimeMode->click();
    EXPECT_TRUE(dialog.lblScreenSaverMissing->isHidden());
    EXPECT_TRUE(dialog.txtlockInterval->isEnabled());
    dialog.txtlockInterval->setFocus();
    dialog.txtlockInterval->end(false);
    type(dialog.txtlockInterval, Qt::Key_5, "5");
    dialog.cmdOk->click();
    EXPECT_EQ(stored("LockMode"), "1");
    EXPECT_EQ(stored("LockInterval"), "105");
    EXPECT_TRUE(mv::LockMode);
    EXPECT_EQ(mv::LockInterval, 105);
  }
  // No session bus at all: a dialog that opens in the screen-saver mode says so.
  ASSERT_EQ(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), kNoSessionBus);
  mv::LockMode = false;
  mv::frmProgramCustom dialog;
  dialog.show();
  ASSERT_TRUE(waitFor([&] { return dialog.lblScreenSaverMissing->isVisible(); }));
  EXPECT_EQ(dialog.lblScreenSaverMissing->text(), note);
}

TEST_F(LockDialog, TheScreenSaverModeSaysNothingWhereAScreenSaverAnswers) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  TestScreenSaver saver(bus.address, "/org/freedesktop/ScreenSaver", false);
  ASSERT_TRUE(saver.registered());
  mv::frmProgramCustom dialog;
  dialog.show();
  dialog.optLockScreenSaver->click();
  // A second question on the same bus is answered after the dialog's.
  QObject context;
  bool answered = false;
  mv::platform::AskScreenSaver(&context, [&](bool answers, bool) { answered = answers; });
  ASSERT_TRUE(waitFor([&] { return answered; }));
  EXPECT_EQ(saver.asked(), 2);
  EXPECT_TRUE(dialog.lblScreenSaverMissing->isHidden());
}

// While it lives, the environment variable is not set at all.
class UnsetVariable {
 public:
  explicit UnsetVariable(const char* name) : name_(name), saved_(qgetenv(name)) { unsetenv(name); }
  ~UnsetVariable() { setenv(name_, saved_.constData(), 1); }
  UnsetVariable(const UnsetVariable&) = delete;
  UnsetVariable& operator=(const UnsetVariable&) = delete;

 private:
  const char* name_;
  QByteArray saved_;
};

TEST_F(LockDialog, WhereNoAddressIsSetTheScreenSaverIsAskedOnTheBusOfTheRuntimeFolder) {
  // A desktop session that does not export the address: libdbus and Qt take
  // its bus in $XDG_RUNTIME_DIR, and so does the screen-saver mode.
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  TestScreenSaver saver(bus.address, "/org/freedesktop/ScreenSaver", false);
  ASSERT_TRUE(saver.registered());
  const EnvironmentVariable runtime("XDG_RUNTIME_DIR", bus.folder().toStdString());
  const UnsetVariable noAddress("DBUS_SESSION_BUS_ADDRESS");
  mv::LockMode = false;
  mv::frmProgramCustom dialog;
  dialog.show();
  ASSERT_TRUE(waitFor([&] { return saver.asked() >= 1; }));
  EXPECT_TRUE(dialog.lblScreenSaverMissing->isHidden());
}

}  // namespace
}  // namespace mvtest
