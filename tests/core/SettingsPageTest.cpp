// The settings page: its captions, the switches behind the login gate, the
// run-at-start-up value, login and logout, the password window it opens, the
// summary labels and their reset, and the tool tips of its windows.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/frmLogin.h"
#include "core/frmMorvantisSettings.h"
#include "core/frmSetPassword.h"
#include "core/Registry.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Autostart.h"
#include "platform/PrivateProfile.h"
#include "platform/Registry.h"
#include "programs/mdlProgramControl.h"
#include "tests/core/ModalDriver.h"
#include "platform/FileSystem.h"
#include "tests/support/TestEnv.h"
#include "zones/ZoneLevels.h"

namespace {

using namespace mv;

class SettingsPageTest : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
    ResetAlertsAndLogsGlobals();
    strPassword.clear();
    blnLoggedIn = false;
  }
  void TearDown() override {
    page.reset();
    ResetAlertsAndLogsGlobals();
    strPassword.clear();
    blnLoggedIn = false;
    ProgramFolderTest::TearDown();
  }

  void load() { page = std::make_unique<frmMorvantisSettings>(); }
  static std::string mainValue(const std::string& key) { return ReadINI("Main", key, "", strAlertsSettingFile, true); }
  static void setMainValue(const std::string& key, const std::string& value) {
    EXPECT_TRUE(WriteINI("Main", key, value, strAlertsSettingFile, true));
  }
  static std::string text(const QLabel* label) { return label->text().toStdString(); }

  // Acts on each login window that opens: types the password and presses
  // OK, or presses Cancel when `password` is empty.
  std::unique_ptr<mvtest::ModalDriver> onLogin(const std::string& password) {
    return std::make_unique<mvtest::ModalDriver>([] { return LoginFormIfLoaded(); }, [password] {
      frmLogin& form = *LoginFormIfLoaded();
      if (password.empty()) return form.cmdCancel->click();
      form.txtPassword->setText(QString::fromStdString(password));
      form.cmdOk->click();
    });
  }
  std::unique_ptr<mvtest::ModalDriver> onSetPassword(std::function<void(frmSetPassword&)> act) {
    return std::make_unique<mvtest::ModalDriver>([] { return SetPasswordFormIfLoaded(); },
                                                 [act] { act(*SetPasswordFormIfLoaded()); });
  }

  // This program folder's autostart entry.
  std::string autostartEntry() const { return platform::autostartEntryFile("Morvantis", folder + "/Morvantis"); }

  std::unique_ptr<frmMorvantisSettings> page;
  mvtest::TemporaryConfigHome configHome;
};

// ---------------------------------------------------------------------------
// Load.

TEST_F(SettingsPageTest, CaptionsCarryTheApplicationTitle) {
  load();
  EXPECT_EQ(page->objectName(), "frmMorvantisSettings");
  EXPECT_EQ(page->chkLoadOnStartup->text(), "Run Morvantis at windows startup");
  EXPECT_EQ(page->chkHideMorvantis->text(), "Hide Morvantis on Start");
  EXPECT_EQ(page->chkEnableSystemTrayIcon->text(), "Enable system tray icon");
  EXPECT_EQ(page->fraProgramSummary->title(), "Morvantis Settings");
  EXPECT_EQ(page->fraAlertActivity->title(), "Network activity detected by Morvantis");
  EXPECT_EQ(page->lbhdOBlocked->text(), "Blocked by Morvantis");
  EXPECT_EQ(page->lbhdIBlocked->text(), "Blocked by Morvantis");
  EXPECT_EQ(page->cmdSetPassword->text(), "&Reset");
  EXPECT_EQ(page->cmdReset->text(), "R&eset");
  EXPECT_EQ(SettingsPageIfLoaded(), page.get());
  page.reset();
  EXPECT_EQ(SettingsPageIfLoaded(), nullptr);
}

TEST_F(SettingsPageTest, LoginButtonFollowsThePasswordState) {
  load();
  EXPECT_FALSE(page->cmdLogin->isEnabled());

  strPassword = "pw";
  load();
  EXPECT_TRUE(page->cmdLogin->isEnabled());
  EXPECT_EQ(page->cmdLogin->text(), "&Login");

  blnLoggedIn = true;
  load();
  EXPECT_EQ(page->cmdLogin->text(), "&Logout");
}

TEST_F(SettingsPageTest, LoadShowsTheSwitchesWithoutALoginAndStoresNothing) {
  strPassword = "pw";
  SystemTray = 1;
  blnHideOnStartup = true;
  setMainValue("SystemTray", "0");
  setMainValue("HideOnStartup", "0");
  auto login = onLogin("");
  load();
  EXPECT_TRUE(page->chkEnableSystemTrayIcon->isChecked());
  EXPECT_TRUE(page->chkHideMorvantis->isChecked());
  EXPECT_FALSE(page->chkLoadOnStartup->isChecked());
  EXPECT_EQ(mainValue("SystemTray"), "0");
  EXPECT_EQ(mainValue("HideOnStartup"), "0");
  EXPECT_EQ(login->opened, 0);
}

TEST_F(SettingsPageTest, SummaryLabelsAreRegisteredWhileLoaded) {
  OPrograms = 3;
  IBlocked = 12;
  intTrustedZoneLevel = 1;
  intInternetZoneLevel = 3;
  ControlLevel = 0;
  AutomaticLock = true;
  load();
  EXPECT_EQ(text(page->lbOPrograms), "3");
  EXPECT_EQ(text(page->lbIBlocked), "12");
  EXPECT_EQ(text(page->lbTZSecurity), "Low");
  EXPECT_EQ(text(page->lbIZSecurity), "High");
  EXPECT_EQ(text(page->lbProgramControl), "Off");
  EXPECT_EQ(text(page->lbPasslockmode), "On");
  // A counter raised while the page is loaded shows at once; once the page
  // is gone the counters are still kept.
  OAllows = 41;
  SaveAlertSummary();
  EXPECT_EQ(text(page->lbOAllow), "41");
  page.reset();
  EXPECT_FALSE(static_cast<bool>(hooks::SettingsCounters));
  OAllows = 42;
  SaveAlertSummary();  // no page: nothing to write to
  EXPECT_EQ(ReadINI("Main", "OAllows", "", strAlertsSettingFile, true), "42");
}

// ---------------------------------------------------------------------------
// The switches and the login gate.

TEST_F(SettingsPageTest, WithoutAPasswordSwitchesChangeWithoutADialog) {
  load();
  auto login = onLogin("");
  page->chkHideMorvantis->setChecked(true);
  EXPECT_TRUE(blnHideOnStartup);
  EXPECT_EQ(mainValue("HideOnStartup"), "1");
  page->chkEnableSystemTrayIcon->setChecked(true);
  EXPECT_EQ(SystemTray, 1);
  EXPECT_EQ(mainValue("SystemTray"), "1");
  page->chkHideMorvantis->setChecked(false);
  EXPECT_FALSE(blnHideOnStartup);
  EXPECT_EQ(mainValue("HideOnStartup"), "0");
  EXPECT_EQ(login->opened, 0);
}

TEST_F(SettingsPageTest, ASwitchThatCannotBeSavedIsPutBackWithAMessage) {
  load();
  ASSERT_TRUE(mv::platform::setReadOnly(strAlertsSettingFile, true));
  page->chkHideMorvantis->setChecked(true);
  EXPECT_FALSE(page->chkHideMorvantis->isChecked());
  EXPECT_FALSE(blnHideOnStartup);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("could not be saved"), std::string::npos);
  mv::platform::setReadOnly(strAlertsSettingFile, false);
  EXPECT_EQ(mainValue("HideOnStartup"), "0");
}

TEST_F(SettingsPageTest, CancelledLoginPutsTheBoxBackAndWritesNothing) {
  strPassword = "pw";
  load();
  const std::string before = mainValue("SystemTray");
  auto login = onLogin("");
  page->chkEnableSystemTrayIcon->setChecked(true);
  EXPECT_EQ(login->opened, 1);
  EXPECT_FALSE(page->chkEnableSystemTrayIcon->isChecked());
  EXPECT_EQ(SystemTray, 0);
  EXPECT_EQ(mainValue("SystemTray"), before);
  EXPECT_FALSE(blnLoggedIn);
}

TEST_F(SettingsPageTest, LoginThroughTheGateWritesAndShowsLogout) {
  strPassword = "pw";
  load();
  auto login = onLogin("pw");
  page->chkEnableSystemTrayIcon->setChecked(true);
  EXPECT_EQ(login->opened, 1);
  EXPECT_TRUE(page->chkEnableSystemTrayIcon->isChecked());
  EXPECT_EQ(SystemTray, 1);
  EXPECT_EQ(mainValue("SystemTray"), "1");
  EXPECT_EQ(page->cmdLogin->text(), "&Logout");
  // Logged in, the next change asks nothing.
  page->chkHideMorvantis->setChecked(true);
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(mainValue("HideOnStartup"), "1");
}

TEST_F(SettingsPageTest, HideOnThenLogoutThenCancelledLoginKeepsItOn) {
  strPassword = "pw";
  blnLoggedIn = true;
  load();
  page->chkHideMorvantis->setChecked(true);
  ASSERT_EQ(mainValue("HideOnStartup"), "1");

  // Logout asks first; No keeps the user logged in.
  answers = {platform::vbNo, platform::vbYes};
  page->cmdLogin->click();
  EXPECT_TRUE(blnLoggedIn);
  EXPECT_EQ(page->cmdLogin->text(), "&Logout");
  page->cmdLogin->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt,
            "Are you sure you want to logout from Morvantis?\r\nAll administrative privileges will be lost.");
  EXPECT_EQ(messages[1].buttons, platform::vbYesNo + platform::vbQuestion);
  EXPECT_FALSE(blnLoggedIn);
  EXPECT_EQ(page->cmdLogin->text(), "&Login");

  auto login = onLogin("");
  page->chkHideMorvantis->setChecked(false);
  EXPECT_EQ(login->opened, 1);
  EXPECT_TRUE(page->chkHideMorvantis->isChecked());
  EXPECT_TRUE(blnHideOnStartup);
  EXPECT_EQ(mainValue("HideOnStartup"), "1");
}

TEST_F(SettingsPageTest, LoginButtonOpensTheLoginWindow) {
  strPassword = "pw";
  load();
  auto login = onLogin("pw");
  page->cmdLogin->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_TRUE(blnLoggedIn);
  EXPECT_EQ(page->cmdLogin->text(), "&Logout");
}

TEST_F(SettingsPageTest, RunAtStartupWritesTheProgramPathAndEmptiesItWhenOff) {
  load();
  page->chkLoadOnStartup->setChecked(true);
  EXPECT_TRUE(blnLoadOnStartup);
  EXPECT_EQ(mainValue("LoadOnStartup"), "1");
  platform::RegValue value;
  ASSERT_EQ(platform::regQueryValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", value), platform::ERROR_SUCCESS);
  EXPECT_EQ(value.type, platform::REG_SZ);
  EXPECT_EQ(value.data, AppPath() + "\\Morvantis.EXE");

  page->chkLoadOnStartup->setChecked(false);
  EXPECT_EQ(mainValue("LoadOnStartup"), "0");
  ASSERT_EQ(platform::regQueryValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", value), platform::ERROR_SUCCESS);
  EXPECT_EQ(value.type, platform::REG_SZ);
  EXPECT_EQ(value.data, "");
}

TEST_F(SettingsPageTest, RunAtStartupWritesTheDesktopsAutostartEntryAndRemovesItWhenOff) {
  load();
  page->chkLoadOnStartup->click();
  const std::string entry = autostartEntry();
  EXPECT_EQ(entry.rfind(configHome.path() + "/autostart/Morvantis-", 0), 0u) << entry;
  EXPECT_EQ(mvtest::slurp(entry), "[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Morvantis\n"
                                  "Comment=Starts Morvantis from " + folder + "/Morvantis\n"
                                  "Exec=\"" + folder + "/Morvantis\"\n"
                                  "TryExec=" + folder + "/Morvantis\n"
                                  "Terminal=false\n");
  EXPECT_TRUE(messages.empty());
  page->chkLoadOnStartup->click();
  EXPECT_FALSE(platform::fileExists(entry));
  EXPECT_EQ(mainValue("LoadOnStartup"), "0");
  EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsPageTest, RunAtStartupWhoseAutostartEntryCannotBeWrittenIsToldAndGoesBack) {
  load();
  // A file where the autostart folder belongs: nothing can be written in it.
  std::ofstream(configHome.path() + "/autostart").close();
  page->chkLoadOnStartup->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The setting could not be saved in " + autostartEntry() + ".");
  EXPECT_FALSE(page->chkLoadOnStartup->isChecked());
  EXPECT_FALSE(blnLoadOnStartup);
  EXPECT_EQ(mainValue("LoadOnStartup"), "0");
  platform::RegValue value;
  EXPECT_EQ(platform::regQueryValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", value),
            platform::ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsPageTest, RunAtStartupOffThatCannotBeStoredKeepsTheAutostartEntry) {
  load();
  page->chkLoadOnStartup->click();
  ASSERT_TRUE(platform::fileExists(autostartEntry()));
  ASSERT_TRUE(platform::setReadOnly(strAlertsSettingFile, true));
  page->chkLoadOnStartup->click();
  platform::setReadOnly(strAlertsSettingFile, false);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The setting could not be saved in " + native("Profiles/AlertsAndLogSetting.MVL") + ".");
  EXPECT_TRUE(page->chkLoadOnStartup->isChecked());
  EXPECT_TRUE(blnLoadOnStartup);
  EXPECT_EQ(mainValue("LoadOnStartup"), "1");
  EXPECT_TRUE(platform::fileExists(autostartEntry()));
  EXPECT_EQ(GetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", ""), AppPath() + "\\Morvantis.EXE");
}

TEST_F(SettingsPageTest, RunAtStartupOffRemovesTheAutostartEntryBeforeTheSwitchIsStored) {
  load();
  page->chkLoadOnStartup->click();
  ASSERT_TRUE(platform::fileExists(autostartEntry()));
  // The program ends as the switch is written: that write never happens.
  const std::string settings = native("Profiles/AlertsAndLogSetting.MVL");
  bool entryAtTheSwitch = true;
  platform::setProfileFileWriter([&](const std::string& file, const std::string& bytes) {
    if (file != settings) return platform::writeNativeFileAtomic(file, bytes);
    entryAtTheSwitch = platform::fileExists(autostartEntry());
    return false;
  });
  page->chkLoadOnStartup->click();
  platform::setProfileFileWriter(nullptr);
  EXPECT_FALSE(entryAtTheSwitch) << "an entry left with the switch off would start the program at every login";
}

TEST_F(SettingsPageTest, RunAtStartupWhoseRunValueCannotBeWrittenGoesBackInTheFileAndOnThePage) {
  load();
  std::string other = "kept";
  ASSERT_TRUE(SetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Other", other));
  ASSERT_TRUE(platform::setReadOnly(platform::registryFile(), true));
  page->chkLoadOnStartup->click();
  platform::setReadOnly(platform::registryFile(), false);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The setting could not be saved in " + native("System32/config/registry") + ".");
  EXPECT_FALSE(page->chkLoadOnStartup->isChecked());
  EXPECT_FALSE(blnLoadOnStartup);
  EXPECT_EQ(mainValue("LoadOnStartup"), "0");
  EXPECT_FALSE(platform::fileExists(autostartEntry())) << "the entry goes with the setting";
}

// ---------------------------------------------------------------------------
// The counters.

TEST_F(SettingsPageTest, ResetZeroesAllSixCountersWithoutALogin) {
  IPrograms = 1, IAllows = 2, IBlocked = 3, OPrograms = 4, OAllows = 5, OBlocked = 6;
  strPassword = "pw";
  load();
  ASSERT_EQ(text(page->lbOBlocked), "6");
  auto login = onLogin("");
  page->cmdReset->click();
  EXPECT_EQ(login->opened, 0);
  for (QLabel* label : {page->lbIPrograms, page->lbIAllow, page->lbIBlocked, page->lbOPrograms, page->lbOAllow,
                        page->lbOBlocked})
    EXPECT_EQ(text(label), "0") << label->objectName().toStdString();
  for (const char* key : {"IPrograms", "IAllows", "IBlocked", "OPrograms", "OAllows", "OBlocked"})
    EXPECT_EQ(mainValue(key), "0") << key;
}

TEST_F(SettingsPageTest, AResetThatCannotBeStoredIsToldAndTheStoredCountersStay) {
  IPrograms = 1, IAllows = 2, IBlocked = 3, OPrograms = 4, OAllows = 5, OBlocked = 6;
  ASSERT_TRUE(SaveAlertSummary());
  load();
  ASSERT_TRUE(platform::setReadOnly(strAlertsSettingFile, true));
  page->cmdReset->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt,
            "The counters could not be saved in " + native("Profiles/AlertsAndLogSetting.MVL") + ".");
  EXPECT_EQ(text(page->lbOBlocked), "6");
  EXPECT_EQ(OBlocked, 6);
  EXPECT_EQ(mainValue("OBlocked"), "6");
}

// ---------------------------------------------------------------------------
// The set-password window opened from the page.

TEST_F(SettingsPageTest, WithoutAPasswordTheOldPasswordRowIsHidden) {
  const frmSetPassword plain;
  const int oldTop = plain.txtOldPassword->y(), newTop = plain.txtPassword->y();
  const int oldLabelTop = plain.lbOldPsd->y(), newLabelTop = plain.lbPsd->y();
  load();
  bool oldHidden = false, oldLabelHidden = false;
  int passwordTop = -1, confirmTop = -1, labelTop = -1, confirmLabelTop = -1;
  auto window = onSetPassword([&](frmSetPassword& f) {
    oldHidden = f.txtOldPassword->isHidden();
    oldLabelHidden = f.lbOldPsd->isHidden();
    passwordTop = f.txtPassword->y();
    confirmTop = f.txtConfirmPassword->y();
    labelTop = f.lbPsd->y();
    confirmLabelTop = f.lbConfirmPsd->y();
    f.cmdCancel->click();
  });
  page->cmdSetPassword->click();
  ASSERT_EQ(window->opened, 1);
  EXPECT_TRUE(oldHidden);
  EXPECT_TRUE(oldLabelHidden);
  EXPECT_EQ(passwordTop, oldTop);
  EXPECT_EQ(confirmTop, newTop);
  EXPECT_EQ(labelTop, oldLabelTop);
  EXPECT_EQ(confirmLabelTop, newLabelTop);
}

TEST_F(SettingsPageTest, WithAPasswordTheOldPasswordIsAsked) {
  strPassword = "pw";
  load();
  bool oldVisible = false;
  auto window = onSetPassword([&](frmSetPassword& f) {
    oldVisible = !f.txtOldPassword->isHidden() && !f.lbOldPsd->isHidden();
    f.cmdCancel->click();
  });
  page->cmdSetPassword->click();
  ASSERT_EQ(window->opened, 1);
  EXPECT_TRUE(oldVisible);
}

TEST_F(SettingsPageTest, SettingAndClearingThePasswordUpdatesTheLoginButton) {
  writeText("System32/MVPSD.SYS", "");
  load();
  auto window = onSetPassword([](frmSetPassword& f) {
    f.txtPassword->setText("abc");
    f.txtConfirmPassword->setText("abc");
    f.cmdOk->click();
  });
  page->cmdSetPassword->click();
  EXPECT_EQ(strPassword, "abc");
  EXPECT_TRUE(page->cmdLogin->isEnabled());
  EXPECT_EQ(page->cmdLogin->text(), "&Logout");

  window = onSetPassword([](frmSetPassword& f) {
    f.txtOldPassword->setText("abc");
    f.cmdOk->click();
  });
  answers.push_back(platform::vbYes);
  page->cmdSetPassword->click();
  EXPECT_EQ(strPassword, "");
  EXPECT_FALSE(page->cmdLogin->isEnabled());
  EXPECT_EQ(getPassword(), "");
}

// ---------------------------------------------------------------------------
// Tool tips.

TEST_F(SettingsPageTest, EveryTaggedControlHasAToolTipInTheShippedFile) {
  std::filesystem::create_directories(native("Lang"));
  std::filesystem::copy_file(std::string(MV_SOURCE_DIR) + "/resources/lang/ToolTip.txt", native("Lang/ToolTip.txt"));
  load();
  frmLogin login;
  frmSetPassword setPassword;
  int tagged = 0;
  for (QWidget* window : std::initializer_list<QWidget*>{page.get(), &login, &setPassword})
    for (QWidget* control : window->findChildren<QWidget*>()) {
      if (Tag(control).empty()) continue;
      ++tagged;
      EXPECT_FALSE(control->toolTip().isEmpty())
          << window->objectName().toStdString() << "." << control->objectName().toStdString();
    }
  EXPECT_EQ(tagged, 10 + 3 + 5);
  for (const char* key : {"001", "002", "003", "004", "005", "006", "007", "008"})
    EXPECT_NE(ReadINI("Toolbar", key, "", strToolTipFile, false), "") << key;
}

}  // namespace
