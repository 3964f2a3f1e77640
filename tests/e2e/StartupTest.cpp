// Start-up of the front end on a program folder with the stand-in engine, and
// the main window it shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTimer>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/frmTimeTemp.h"
#include "core/FormHooks.h"
#include "core/MDIMain.h"
#include "core/frmLogin.h"
#include "core/frmMorvantisSettings.h"
#include "core/mdlLogin.h"
#include "core/Registry.h"
#include "platform/Application.h"
#include "platform/Autostart.h"
#include "platform/Dialogs.h"
#include "platform/Network.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/ProcessList.h"
#include "platform/Registry.h"
#include "platform/SingleInstance.h"
#include "rules/NetworkCommands.h"
#include "tests/e2e/FrontEndFixture.h"
#include "core/FormControls.h"
#include "platform/FileSystem.h"
#include "zones/frmFirewall.h"

namespace fs = std::filesystem;
using namespace mv;
using mvtest::ProgramEnded;

class Startup : public mvtest::FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    // An empty program folder as an installer leaves it: no settings files.
    for (const auto& e : fs::directory_iterator(native("Profiles"))) fs::remove(e.path());
  }
  std::vector<std::string> settingsFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(native("Profiles"))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::file_time_type stamp(const std::string& f) const { return fs::last_write_time(native("Profiles/" + f)); }
  // The settings of every subsystem, as the start-up reads them.
  static void loadSettings() {
    SetPathGlobals();
    InitTableNames();
    InitAllPath();
  }
  static std::string autostartEntry(const std::string& programFolder) {
    return platform::autostartEntryFile("Morvantis", programFolder + "/Morvantis");
  }
  mvtest::TemporaryConfigHome configHome;
};

TEST_F(Startup, TheDemoFolderLeavesTheDesktopsAutostartAloneAlsoAfterTheWizard) {
  // The demo folder as its build lays it out: the built-in defaults with
  // run-at-start-up switched off.
  fs::remove(native("System32/MVPSD.SYS"));
  ASSERT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {QString::fromStdString(folder)}), 0);
  platform::profileClearCache();
  loadSettings();
  EXPECT_FALSE(blnLoadOnStartup);
  EXPECT_FALSE(fs::exists(configHome.path() + "/autostart"));
  // The wizard writes the built-in defaults, which have it on; the demo's
  // run command switches it off again.
  EXPECT_TRUE(WriteINI("Main", "LoadOnStartup", "1", strAlertsSettingFile, true));
  ASSERT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {"--no-login-start", QString::fromStdString(folder)}), 0);
  platform::profileClearCache();
  loadSettings();
  EXPECT_FALSE(blnLoadOnStartup);
  EXPECT_FALSE(fs::exists(configHome.path() + "/autostart"));
}

TEST_F(Startup, TheDemoFolderFinishesAChangeLeftHalfWayBeforeSwitchingTheAutostartOff) {
  fs::remove(native("System32/MVPSD.SYS"));
  ASSERT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {QString::fromStdString(folder)}), 0);
  platform::profileClearCache();
  // A wizard's Finish that switched it on, ended after its record and first
  // file.
  platform::setProfileFileWriter([left = 2](const std::string& native, const std::string& bytes) mutable {
    return left-- > 0 && platform::writeNativeFileAtomic(native, bytes);
  });
  {
    platform::ProfileChange change;
    ASSERT_TRUE(WriteINI("Main", "LoadOnStartup", "1", strAlertsSettingFile, true));
    ASSERT_TRUE(WriteINI("AutoLock", "LockInterval", "7", strProgramMainFile, true));
    EXPECT_FALSE(change.commit());
  }
  platform::setProfileFileWriter(nullptr);
  ASSERT_TRUE(fs::exists(platform::profileChangeRecordPath()));
  ASSERT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {"--no-login-start", QString::fromStdString(folder)}), 0);
  // The next start.
  platform::profileClearCache();
  FinishPendingChange();
  loadSettings();
  EXPECT_FALSE(blnLoadOnStartup);
  EXPECT_EQ(LockInterval, 7);
}

TEST_F(Startup, TheDemoFolderSwitchedOffAgainNoLongerStartsWithTheDesktop) {
  // The user ticked it on in the demo, then walked through the wizard (or
  // built the demo again in the same place): its entry goes with the setting.
  installDefaults();
  EXPECT_TRUE(WriteINI("Main", "LoadOnStartup", "1", strAlertsSettingFile, true));
  loadSettings();
  ASSERT_TRUE(fs::exists(autostartEntry(folder)));
  ASSERT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {"--no-login-start", QString::fromStdString(folder)}), 0);
  EXPECT_FALSE(fs::exists(autostartEntry(folder)));
  platform::profileClearCache();
  EXPECT_EQ(GetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", "none"), "");

  ASSERT_TRUE(platform::writeAutostartEntry("Morvantis", folder + "/Morvantis"));
  fs::remove(native("System32/MVPSD.SYS"));
  ASSERT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {QString::fromStdString(folder)}), 0);
  EXPECT_FALSE(fs::exists(autostartEntry(folder)));
}

TEST_F(Startup, TheDemoFolderRemovesTheAutostartEntryBeforeStoringTheSwitchOff) {
  installDefaults();
  EXPECT_TRUE(WriteINI("Main", "LoadOnStartup", "1", strAlertsSettingFile, true));
  loadSettings();
  ASSERT_TRUE(fs::exists(autostartEntry(folder)));
  // The switch cannot be stored: the tool ends between its two steps.
  ASSERT_TRUE(platform::setReadOnly(strAlertsSettingFile, true));
  EXPECT_EQ(QProcess::execute(MV_DEMOINIT_EXE, {"--no-login-start", QString::fromStdString(folder)}), 1);
  platform::setReadOnly(strAlertsSettingFile, false);
  EXPECT_FALSE(fs::exists(autostartEntry(folder))) << "an entry left with the switch off would stay for good";
  // The switch still on, the next start writes the entry again.
  platform::profileClearCache();
  loadSettings();
  EXPECT_TRUE(blnLoadOnStartup);
  EXPECT_TRUE(fs::exists(autostartEntry(folder)));
}

TEST_F(Startup, AnAutostartEntryThatCannotBeWrittenIsToldOnceAtTheStart) {
  installDefaults();
  EXPECT_TRUE(WriteINI("Main", "LoadOnStartup", "1", strAlertsSettingFile, true));
  // A file where the autostart folder belongs: nothing can be written in it.
  std::ofstream(configHome.path() + "/autostart").close();
  Main();
  ASSERT_TRUE(blnStarted);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The setting \"Run Morvantis at windows startup\" could not be saved in " +
                                    autostartEntry(folder) + ".");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  // The settings page, loaded at the start, shows the switch without trying
  // the entry again: one try, so one line in the error log.
  ASSERT_NE(LoadedForm<frmMorvantisSettings>(), nullptr);
  const std::string log = mvtest::slurp(native("Err.log"));
  std::size_t tries = 0;
  for (std::size_t at = log.find("Autostart entry could not be written"); at != std::string::npos;
       at = log.find("Autostart entry could not be written", at + 1))
    ++tries;
  EXPECT_EQ(tries, 1u) << log;
}

TEST_F(Startup, RunAtStartupOnWritesTheAutostartEntryAgainForAMovedProgramFolder) {
  installDefaults();
  EXPECT_TRUE(WriteINI("Main", "LoadOnStartup", "1", strAlertsSettingFile, true));
  loadSettings();
  const std::string before = autostartEntry(folder);
  ASSERT_TRUE(fs::exists(before));

  const std::string moved = folder + "-moved";
  fs::rename(folder, moved);
  folder = moved;
  platform::setProgramFolder(moved);
  platform::profileClearCache();
  loadSettings();
  const std::string after = autostartEntry(moved);
  ASSERT_NE(after, before) << "each program folder has an entry of its own";
  EXPECT_NE(mvtest::slurp(after).find("\nExec=\"" + moved + "/Morvantis\"\n"), std::string::npos)
      << mvtest::slurp(after);
  EXPECT_EQ(GetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", "none"), AppPath() + "\\Morvantis.EXE");
  EXPECT_EQ(AppPath(), platform::systemPath(moved));
}

TEST_F(Startup, AFirstStartRepairsTheSettingsAndLocksTheInternet) {
  Main();
  ASSERT_TRUE(blnStarted);
  std::vector<std::string> expected = varSettingsFiles;
  expected.push_back("qtrLogs.MVL");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(settingsFiles(), expected);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Internet is locked.\r\nApplication setting has been corrupted.\r\nPlease redefine the settings.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_EQ(messages[0].title, "Morvantis");
  // The engine runs on the block-all rule file.
  EXPECT_NE(readText("System32/mvs.state").find("running"), std::string::npos);
  EXPECT_NE(readText("System32/mvs.loaded").find("_Default=LocalNet BlockedAll\r\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(native("Logs/Alertlog.txt")));
  ASSERT_NE(MDIMainIfLoaded(), nullptr);
}

TEST_F(Startup, ASecondStartWritesNoSettingsFileAndShowsNoMessage) {
  Main();
  UnloadMDIMain();
  platform::releaseSingleInstance();
  messages.clear();
  auto before = stamp("ProgramControl.MVL");
  auto mvdbBefore = readText("Profiles/AlertsAndLogSetting.MVL");
  Main();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(stamp("ProgramControl.MVL"), before);
  EXPECT_EQ(readText("Profiles/AlertsAndLogSetting.MVL"), mvdbBefore);
  // The full rule file this time, as the default settings describe it.
  std::string loaded = readText("System32/mvs.loaded");
  EXPECT_NE(loaded.find("_Default=LocalNet Blocked CustomT NetBiosT Trusted CustomI NetBiosI Internet\r\n"),
            std::string::npos);
  EXPECT_EQ(loaded, ruleFile());
}

TEST_F(Startup, AStartBesideARunningInstanceOnTheFolderEndsSilently) {
  // Another process holds the folder's one-instance lock, as a running
  // front end does, until it is let go.
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t other = ::fork();
  if (other == 0) {
    char c = 0;
    if (!platform::acquireSingleInstance(AppEXEName) || ::write(ready[1], &c, 1) != 1) ::_exit(3);
    ::_exit(::read(go[0], &c, 1) == 1 ? 0 : 4);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  Main();
  EXPECT_FALSE(blnStarted);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(MDIMainIfLoaded(), nullptr);
  ASSERT_EQ(::write(go[1], &c, 1), 1);
  int status = 0;
  ::waitpid(other, &status, 0);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // Once it ended, the program starts.
  Main();
  EXPECT_TRUE(blnStarted);
}

TEST_F(Startup, DetectedNetworksReplaceRowsOneToFive) {
  installDefaults();
  // Five detected networks of an earlier start, all trusted, and a subnet of
  // the user's own.
  for (int i = 1; i <= 5; ++i) {
    const std::string row = FormatNumber(i, "0000"), id = FormatNumber(90 + i, "000000");
    const std::string ip = "172.16." + std::to_string(i) + ".0";
    EXPECT_TRUE(Write_MorvantisNewData(Database_SubnetSetting, row, {ip, "255.255.255.0", "Old", "", "2", "1", id}, false));
    EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, row, {"5", "2", ip + "/24", ip + "/24", id}, false));
  }
  EXPECT_TRUE(Write_MorvantisNewData(Database_SubnetSetting, "0006", {"10.9.0.0", "255.255.0.0", "Mine", "", "1", "0", "000010"}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0006", {"4", "1", "10.9.0.0/16", "10.9.0.0/16", "000010"}, false));
  Main();
  // The two networks detected now take rows 0001 and 0002 of both tables;
  // none of the earlier five is left, in the tables or in the rules.
  auto rows = [](long table, const std::string& columns) {
    Read_TableData(table, columns, "");
    std::vector<std::string> held;
    for (long i = 0; i < arrQueryResult[0].Count; ++i)
      held.push_back(arrQueryResult[i].RowSection + " " + arrQueryResult[i].Values[0] + " " + arrQueryResult[i].Values[1]);
    return held;
  };
  EXPECT_EQ(rows(Database_SubnetSetting, "IP,ActiveNetwork"),
            (std::vector<std::string>{"0006 10.9.0.0 0", "0001 192.168.5.20 1", "0002 10.1.0.7 1"}));
  EXPECT_EQ(rows(Database_IPAddress, "IPType,IPAddressFrom"),
            (std::vector<std::string>{"0006 4 10.9.0.0/16", "0001 5 192.168.5.20/24", "0002 5 10.1.0.7/16"}));
  EXPECT_EQ(ruleFile().find("172.16."), std::string::npos);
}

TEST_F(Startup, EntriesAndAddressRowsLeftApartByAnInterruptionAgreeAgain) {
  installDefaults();
  // An Add ended after its entry row, and a Remove ended after its entry row.
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPSetting, "0001", {"203.0.113.7", "Left", "203.0.113.7", "2", "000020"}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0007", {"2", "2", "198.51.100.66", "198.51.100.66", "000021"}, false));
  Main();
  const std::string rules = ruleFile();
  EXPECT_NE(rules.find("203.0.113.7"), std::string::npos);
  EXPECT_EQ(rules.find("198.51.100.66"), std::string::npos);
  const std::string log = readText("Err.log");
  EXPECT_NE(log.find("ReconcileZoneAddresses of mdlZoneEntry: Address rows rebuilt for zone entry 000020"), std::string::npos);
  EXPECT_NE(log.find("ReconcileZoneAddresses of mdlZoneEntry: Address row 0007 of no zone entry (ID 000021) dropped"),
            std::string::npos);
}

TEST_F(Startup, ASecondStartOnEntriesThatShareAnIDOrHaveNoneRepairsNothing) {
  installDefaults();
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPSetting, "0001", {"203.0.113.1", "A", "203.0.113.1", "2", "000050"}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPSetting, "0002", {"203.0.113.2", "B", "203.0.113.2", "1", "000050"}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPSetting, "0003", {"203.0.113.3", "C", "203.0.113.3", "1", ""}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPRangeSetting, "0001",
                                     {"198.51.100.1", "198.51.100.9", "R", "198.51.100.1 - 198.51.100.9", "1", ""}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0006", {"2", "1", "203.0.113.2", "203.0.113.2", "000050"}, false));
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, "0007", {"2", "1", "203.0.113.3", "203.0.113.3", ""}, false));
  Main();
  const std::string rules = ruleFile();
  for (const char* address : {"203.0.113.1", "203.0.113.2", "203.0.113.3", "198.51.100.1!198.51.100.9"})
    EXPECT_NE(rules.find(address), std::string::npos) << address;
  UnloadMDIMain();
  platform::releaseSingleInstance();
  writeText("Err.log", "");
  Main();
  EXPECT_EQ(readText("Err.log").find("ReconcileZoneAddresses"), std::string::npos);
  EXPECT_EQ(ruleFile(), rules);
}

TEST_F(Startup, ANetworkTableThatCannotBeWrittenKeepsTheLastNetworksOnThePageAndInTheRules) {
  installDefaults();
  Main();
  UnloadMDIMain();
  platform::releaseSingleInstance();
  messages.clear();
  // The computer has moved to another network since.
  platform::setInterfaceAddresses([] {
    return std::optional<std::vector<platform::InterfaceAddress>>(
        std::vector<platform::InterfaceAddress>{{{172, 20, 0, 9}, {255, 255, 0, 0}}});
  });
  const std::string table = TableFile(Database_IPAddress);
  ASSERT_TRUE(platform::setReadOnly(table, true));
  Main();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "A file " + native("Profiles/Database_IPAddress.MVL") +
                                    " is read only.\r\nPlease change the file attribute and restart the application.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  MDIMainIfLoaded()->Toolbar1_ButtonClick("Security");
  frmFirewall* page = LoadedForm<frmFirewall>();
  ASSERT_NE(page, nullptr);
  std::vector<std::string> networks;
  for (int i = 0; i < page->lvwZones->topLevelItemCount(); ++i)
    if (page->lvwZones->topLevelItem(i)->text(2) == "Network")
      networks.push_back(page->lvwZones->topLevelItem(i)->text(1).toStdString());
  EXPECT_EQ(networks, (std::vector<std::string>{"192.168.5.20/255.255.255.0", "10.1.0.7/255.255.0.0"}));
  const std::string rules = ruleFile();
  EXPECT_NE(rules.find("192.168.5.20/24"), std::string::npos);
  EXPECT_EQ(rules.find("172.20."), std::string::npos);
  ASSERT_TRUE(platform::setReadOnly(table, false));
}

TEST_F(Startup, ANetworkTableThatFailsToBeWrittenKeepsTheLastNetworksAndIsTold) {
  installDefaults();
  Main();
  UnloadMDIMain();
  platform::releaseSingleInstance();
  messages.clear();
  const std::string subnets = readText("Profiles/Database_SubnetSetting.MVL"),
                    addresses = readText("Profiles/Database_IPAddress.MVL");
  platform::setInterfaceAddresses([] {
    return std::optional<std::vector<platform::InterfaceAddress>>(
        std::vector<platform::InterfaceAddress>{{{172, 20, 0, 9}, {255, 255, 0, 0}}});
  });
  // A full disk, say, under the subnet table.
  platform::setProfileFileWriter([](const std::string& path, const std::string& bytes) {
    return path.find("Database_SubnetSetting") == std::string::npos && platform::writeNativeFileAtomic(path, bytes);
  });
  Main();
  platform::setProfileFileWriter(nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt,
            "The detected networks could not be saved in " + native("Profiles/Database_SubnetSetting.MVL") + ".");
  EXPECT_EQ(readText("Profiles/Database_SubnetSetting.MVL"), subnets);
  EXPECT_EQ(readText("Profiles/Database_IPAddress.MVL"), addresses);
  EXPECT_EQ(ruleFile().find("172.20."), std::string::npos);
}

TEST_F(Startup, AMissingEngineProgramEndsWithItsMessage) {
  fs::remove(native("Pellworth.exe"));
  EXPECT_THROW(Main(), ProgramEnded);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Some files are missing.\r\nPlease reinstall the Morvantis");
}

TEST_F(Startup, AMissingOrMismatchedPasswordFileEndsTheProgram) {
  fs::remove(native("System32/MVPSD.SYS"));
  EXPECT_THROW(Main(), ProgramEnded);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().prompt, "Applicaation corrupted please reinstall it.");
}

TEST_F(Startup, ToolbarPageSwitchesNameThePageInTheCaption) {
  Main();
  MDIMain* m = MDIMainIfLoaded();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->windowTitle().toStdString(), "Morvantis V1.0");
  m->Toolbar1_ButtonClick("Settings");
  EXPECT_EQ(m->windowTitle().toStdString(), "Morvantis V1.0   [Settings]");
  m->Toolbar1_ButtonClick("AlertLog");
  EXPECT_EQ(m->windowTitle().toStdString(), "Morvantis V1.0   [Alerts & Logs]");
  // The File menu's page items leave caption and panel as they are.
  m->findChild<QAction*>("mnuSettings")->trigger();
  EXPECT_EQ(m->windowTitle().toStdString(), "Morvantis V1.0   [Alerts & Logs]");
  EXPECT_EQ(m->minimumSize(), QSize(569, 482));
}

TEST_F(Startup, TheLockButtonLocksThenUnlocksWhileFileLockLocksTwice) {
  Main();
  MDIMain* m = MDIMainIfLoaded();
  ASSERT_NE(m, nullptr);
  ASSERT_TRUE(m->ReStartService());
  m->Toolbar1_ButtonClick("Lock");
  EXPECT_TRUE(blnNetworkLocked);
  EXPECT_EQ(m->ToolbarButton("Lock")->text().toStdString(), "Unlock");
  m->Toolbar1_ButtonClick("Lock");
  EXPECT_FALSE(blnNetworkLocked);
  EXPECT_EQ(m->ToolbarButton("Lock")->text().toStdString(), "Lock");
  QAction* fileLock = m->findChild<QAction*>("mnuLock");
  fileLock->trigger();
  fileLock->trigger();
  EXPECT_TRUE(blnNetworkLocked);
  EXPECT_NE(readText("System32/mvs.loaded").find("BlockedAll"), std::string::npos);
}

TEST_F(Startup, ExitAsksForAStoredPasswordAndACancelKeepsTheProgramRunning) {
  Main();
  ASSERT_TRUE(setPassword("Secret1"));
  strPassword = "Secret1";
  blnLoggedIn = true;
  // The login window opens modally; the user cancels it.
  bool asked = false;
  QTimer cancel;
  cancel.setInterval(5);
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    if (frmLogin* f = LoginFormIfLoaded(); f && f->isVisible()) {
      asked = true;
      f->cmdCancel_Click();
    }
  });
  cancel.start();
  MDIMain* m = MDIMainIfLoaded();
  m->mnuExit_Click();  // would throw ProgramEnded if it ended the program
  cancel.stop();
  EXPECT_TRUE(asked);
  EXPECT_FALSE(blnLoggedIn);
  EXPECT_NE(readText("System32/mvs.state").find("running"), std::string::npos);
  strPassword.clear();
  EXPECT_THROW(m->mnuExit_Click(), ProgramEnded);
  EXPECT_NE(readText("System32/mvs.state").find("stopped"), std::string::npos);
  EXPECT_EQ(ruleFile(), golden("exit_template.conf"));
}

TEST_F(Startup, AValueThatDoesNotFitIsTakenAsZeroAndLoadingGoesOn) {
  installDefaults();
  EXPECT_TRUE(WriteINI("Main", "SystemTray", "300", strAlertsSettingFile, true));
  EXPECT_TRUE(WriteINI("Main", "ControlLevel", "3", strProgramMainFile, true));
  ASSERT_TRUE(setPassword("Pw1"));
  SetPathGlobals();
  InitTableNames();
  InitAllPath();
  EXPECT_EQ(SystemTray, 0);
  // The settings after the bad one are still read, the password included.
  EXPECT_EQ(AlertDays, 7);
  EXPECT_EQ(ControlLevel, 3);
  EXPECT_EQ(strPassword, "Pw1");
  EXPECT_NE(readText("Err.log").find("InitAllPath of mdlAlertsAndLogs: Overflow ([Main] SystemTray)"),
            std::string::npos);
  strPassword.clear();
}

TEST_F(Startup, AnAlertLogStoredInNativeFormIsUsedAsWritten) {
  Main();
  UnloadMDIMain();
  platform::releaseSingleInstance();
  // As an earlier release stored a log the user chose.
  writeText("home/u/alerts.txt", "earlier alerts\r\n");
  writeText("home/u/Alerts.TXT", "another file\r\n");
  ASSERT_TRUE(WriteINI("Main", "Path", native("home/u/alerts.txt"), strAlertsSettingFile, true));
  Main();
  EXPECT_EQ(strLogPath, native("home/u/alerts.txt"));
  AddSingleLineInBegin("an alert");
  EXPECT_EQ(readText("home/u/alerts.txt"), "earlier alerts\r\nan alert\r\n");
  EXPECT_EQ(readText("home/u/Alerts.TXT"), "another file\r\n");
  EXPECT_FALSE(fs::exists(native("Logs/alerts.txt")));
}

TEST_F(Startup, AChosenAlertLogThatIsGoneStartsAfreshUnderLogsWithItsExactName) {
  Main();
  UnloadMDIMain();
  platform::releaseSingleInstance();
  writeText("Logs/Alertlog.txt", "earlier alerts\r\n");
  ASSERT_TRUE(WriteINI("Main", "Path", native("gone") + "/ALERTLOG.TXT", strAlertsSettingFile, true));
  Main();
  AddSingleLineInBegin("an alert");
  EXPECT_EQ(readText("Logs/Alertlog.txt"), "earlier alerts\r\n");
  EXPECT_NE(readText("Logs/ALERTLOG.TXT").find("an alert\r\n"), std::string::npos);
}

TEST_F(Startup, TheAlertLogUnderTheLogsFolderIsKeptAcrossStarts) {
  Main();
  // The stored path names "logs" while the folder is "Logs": one folder.
  EXPECT_EQ(ReadINI("Main", "Path", "", strAlertsSettingFile, true), AppPath() + "\\logs\\Alertlog.txt");
  writeText("Logs/Alertlog.txt", "earlier alerts\r\n");
  UnloadMDIMain();
  platform::releaseSingleInstance();
  Main();
  EXPECT_EQ(readText("Logs/Alertlog.txt"), "earlier alerts\r\n");
  EXPECT_EQ(blnLogFileWritable, 1);
}
