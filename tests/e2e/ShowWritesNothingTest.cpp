// Showing a window stores nothing: every page of the main window and every
// settings dialog reachable from them, opened once through their real
// controls and closed with OK (with Cancel where OK would add an entry, a
// port range or a password), leaves every settings file, the registry file
// and the password file as they were (the same bytes, the same file, the
// same time), and in a folder that cannot be written says nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

#include "core/FormSupport.h"
#include "core/MDIMain.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/FileSystem.h"
#include "programs/frmProgramControl.h"
#include "zones/mdlSecurityLevel.h"
#include "tests/core/ModalDriver.h"
#include "tests/e2e/FrontEndFixture.h"

using namespace mv;
namespace fs = std::filesystem;

namespace {

// What tells a file apart: its bytes, its inode and its modification time.
using FileState = std::tuple<std::string, ino_t, long long>;

class ShowWritesNothing : public mvtest::FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    // A program to open the options of.
    addProgram("Browser.exe", {"1.0", "0", "0", "0", "0", "Browser.exe", "0", "/apps/browser", "0", "", "0", "0",
                               "0", "", "0"});
  }

  // Another program (the wizard) changes every setting a page or dialog
  // shows, so that what the front end holds in memory differs from the
  // files: a window that stores what it shows would now change them.
  static void anotherProgramChangesTheSettings() {
    auto change = [](const std::string& file, const std::string& section, const std::string& key, const char* a,
                     const char* b) {
      const std::string now = ReadINI(section, key, "", file, true);
      ASSERT_TRUE(WriteINI(section, key, now == a ? b : a, file, true)) << key;
    };
    for (const char* key : {"ControlEnable", "AutomaticLock", "ShowAlertOnInternetAccess", "DenyAccessOnAsk",
                            "RequiredAdminRites"})
      change(strProgramMainFile, "Main", key, "1", "0");
    change(strProgramMainFile, "Main", "ControlLevel", "3", "1");
    for (const char* key : {"DefaultAccessTrusted", "DefaultAccessInternet", "DefaultServerTrusted",
                            "DefaultServerInternet"})
      change(strProgramMainFile, "Main", key, "1", "2");
    change(strProgramMainFile, "AutoLock", "LockMode", "1", "0");
    change(strProgramMainFile, "AutoLock", "EngagesMode", "1", "0");
    change(strProgramMainFile, "AutoLock", "LockInterval", "33", "34");
    for (const char* key : {"SystemTray", "HideOnStartup", "AlertDay"})
      change(strAlertsSettingFile, "Main", key, "1", "0");
    change(strAlertsSettingFile, "Main", "AlertDays", "7", "8");
    change(strAlertsSettingFile, "Main", "LogSeparation", "2", "3");
    ASSERT_TRUE(StoreZoneLevels(intInternetZoneLevel == 2 ? 3 : 2, 1));
  }

  // The settings files, the registry file and the password file.
  std::vector<std::string> guarded() const {
    std::vector<std::string> files;
    for (const char* under : {"Profiles", "System32/config"})
      for (const auto& e : fs::recursive_directory_iterator(native(under)))
        if (e.is_regular_file()) files.push_back(e.path().string());
    files.push_back(native("System32/MVPSD.SYS"));
    return files;
  }
  // The files whose state differs from `before`.
  std::vector<std::string> changedSince(const std::map<std::string, FileState>& before) const {
    std::vector<std::string> changed;
    const auto now = states();
    for (const auto& [file, state] : now) {
      const auto was = before.find(file);
      if (was == before.end() || was->second != state) changed.push_back(file);
    }
    for (const auto& [file, state] : before)
      if (!now.count(file)) changed.push_back(file);
    return changed;
  }
  std::map<std::string, FileState> states() const {
    std::map<std::string, FileState> out;
    for (const std::string& file : guarded()) {
      struct stat st {};
      EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
      out[file] = {mvtest::slurp(file), st.st_ino,
                   static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    }
    return out;
  }

  static QPushButton* button(QWidget* in, const char* name) {
    auto* b = in->findChild<QPushButton*>(name);
    EXPECT_NE(b, nullptr) << name;
    return b;
  }
  // The shown window of that name, or null.
  static QWidget* window(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->objectName() == name) return w;
    return nullptr;
  }
  // Runs `open`, which opens the modal dialog `name`; the dialog, once
  // shown, is closed with its button `close`, after `inside` ran on it.
  static void openDialog(const char* name, const std::function<void()>& open, const char* close,
                         const std::function<void()>& inside = {}) {
    mvtest::ModalDriver driver([name] { return window(name); }, [&] {
      if (inside) inside();
      button(window(name), close)->click();
    });
    open();
    EXPECT_EQ(driver.opened, 1) << name;
    EXPECT_EQ(driver.leftOpen, 0) << name;
  }
  // The same for a dialog that a button opens.
  static void openDialog(const char* name, QPushButton* opener, const char* close,
                         const std::function<void()>& inside = {}) {
    ASSERT_NE(opener, nullptr) << name;
    ASSERT_TRUE(opener->isEnabled()) << name;
    openDialog(name, [opener] { opener->click(); }, close, inside);
  }

  // The main window opened afresh (with the page it opens on), then every
  // page once, and from each every settings dialog once.
  void openEverything() {
    UnloadMDIMain();
    MDIMain* m = MDIMainForm();
    ASSERT_NE(m, nullptr);
    auto show = [&](const char* item) -> QWidget* {
      QAction* a = m->findChild<QAction*>(item);
      if (!a) return nullptr;
      a->trigger();
      return m->ActivePage();
    };

    QWidget* zones = show("mnuSecurity");
    ASSERT_NE(zones, nullptr) << "mnuSecurity";
    openDialog("frmCustomFirewallSettings", button(zones, "cmdTrustedCustom"), "cmdOk");
    openDialog("frmCustomFirewallSettings", button(zones, "cmdInternetCustom"), "cmdOk");
    // Add's menu item of an entry kind opens that kind's dialog.
    openDialog("frmAddIPAddress", [m] { m->MenuItem("mnuPopupIPAddress")->trigger(); }, "cmdCancel");

    QWidget* programs = show("mnuProgramControl");
    ASSERT_NE(programs, nullptr) << "mnuProgramControl";
    openDialog("frmAdvanceProgram", button(programs, "cmdProgramControlAdvance"), "cmdProgramOptionOk");
    openDialog("frmProgramCustom", button(programs, "cmdProgramLockCustom"), "cmdOk");
    auto* list = programs->findChild<QTreeWidget*>("lvwPrograms");
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->topLevelItemCount(), 0);
    list->setCurrentItem(list->topLevelItem(0));
    openDialog("frmProgramControlProgramOption", button(programs, "cmdProgramControlProgramOption"), "cmdProgramOptionOk", [m] {
      // The range-of-ports dialog of the options' Custom command, closed
      // with Cancel: OK there adds a range to the dialog.
      openDialog("frmCustomPortsAdd", [m] { m->MenuItem("mnuCustom")->trigger(); }, "cmdPortsAddCancel");
    });

    QWidget* alerts = show("mnuAlertsLogs");
    ASSERT_NE(alerts, nullptr) << "mnuAlertsLogs";
    openDialog("frmAdvanceAlertsLogs", button(alerts, "cmdAdvance"), "cmdProgramOptionOk");

    QWidget* settings = show("mnuSettings");
    ASSERT_NE(settings, nullptr) << "mnuSettings";
    openDialog("frmSetPassword", button(settings, "cmdSetPassword"), "cmdCancel");
  }
};

TEST_F(ShowWritesNothing, OpeningEveryPageAndDialogStoresNothing) {
  Main();
  anotherProgramChangesTheSettings();
  const auto before = states();
  openEverything();
  EXPECT_EQ(changedSince(before), std::vector<std::string>{});
  EXPECT_TRUE(messages.empty()) << messages.front().prompt;
}

TEST_F(ShowWritesNothing, InAFolderThatCannotBeWrittenOpeningEveryPageAndDialogSaysNothing) {
  Main();
  anotherProgramChangesTheSettings();
  for (const std::string& file : guarded()) ASSERT_TRUE(platform::setReadOnly(file, true)) << file;
  ASSERT_TRUE(platform::setReadOnly(native("Profiles"), true));
  messages.clear();
  openEverything();
  for (const mvtest::ShownMessage& shown : messages) ADD_FAILURE() << shown.prompt;
}

}  // namespace
