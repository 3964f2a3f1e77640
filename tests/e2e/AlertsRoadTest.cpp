// The road of engine events through the running front end: the stand-in
// engine's event tool appends lines to today's logs, the timer form's read
// tick takes them, and the program file, the component file, the counters,
// the pop-up and the two alert logs change.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "alerts/frmAdvanceAlertsLogs.h"
#include "alerts/frmDisplay.h"
#include "alerts/frmTimeTemp.h"
#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/mdlEventGlobals.h"
#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "programs/frmProgramControl.h"
#include "programs/frmProgramControlProgramOption.h"
#include "core/mdlFileProperty.h"
#include "tests/core/ModalDriver.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"
#include "platform/ProcessList.h"
#include "platform/SingleInstance.h"
#include "rules/NetworkCommands.h"
#include "tests/e2e/FrontEndFixture.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

using mvtest::ProgramEnded;

class AlertsRoad : public mvtest::FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    Main();
    ASSERT_TRUE(blnStarted);
    timer = TimerFormIfLoaded();
    ASSERT_NE(timer, nullptr);
    timer->TimerReadEvent->stop();
    timer->PassLockTimer->stop();
    day = FormatDate(Today(), "yyyymmdd");
  }
  void TearDown() override {
    delete LoadedForm<frmDisplay>();
    platform::setFileDialogHandler(nullptr);
    FrontEndTest::TearDown();
  }
  // The next file dialog answers this file as the operating system names it.
  static void dialogAnswers(const std::string& nativePath) {
    platform::setFileDialogHandler([nativePath](platform::FileDialogKind, const platform::FileDialogOptions&) {
      return std::optional<platform::FileDialogResult>(
          platform::FileDialogResult{nativePath, fs::path(nativePath).filename().string()});
    });
  }
  void restart() {
    UnloadMDIMain();
    platform::releaseSingleInstance();
    Main();
    timer = TimerFormIfLoaded();
    ASSERT_NE(timer, nullptr);
    timer->TimerReadEvent->stop();
    timer->PassLockTimer->stop();
  }
  // Runs the event tool on the program folder's system directory.
  int event(std::vector<std::string> fields) { return engineEvent(day, std::move(fields)); }
  std::string alertSetting(const std::string& key) const {
    return ReadINI("Main", key, "", strAlertsSettingFile, true);
  }
  std::vector<std::string> qtrLines() const {
    std::vector<std::string> out;
    std::string text = readText("Profiles/qtrLogs.MVL");
    for (std::size_t pos = 0, end; pos < text.size(); pos = end + 2) {
      end = text.find("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      out.push_back(QtrLogLineText(text.substr(pos, end - pos)));
    }
    return out;
  }

  frmTimeTemp* timer = nullptr;
  std::string day;
};

TEST_F(AlertsRoad, EventsFromTheEngineReachTheStoresTheCountersThePopUpAndTheLogs) {
  ASSERT_EQ(event({"NP", "500", "/opt/demo/app"}), 0);
  ASSERT_EQ(event({"CR", "500", "/opt/demo/app", "2", "2", "1"}), 0);
  ASSERT_EQ(event({"NM", "/opt/demo/libnet.so", "0"}), 0);
  ASSERT_EQ(event({"0", "0", "1", "192.168.5.20:40000", "10.1.2.3:443", "/opt/demo/app", "Allowed", "1", "40000",
                   "443", "500"}),
            0);
  ASSERT_EQ(event({"--i", "--alert"}), 0);
  timer->TimerReadEvent_Timer();

  EXPECT_EQ(lngLastLogLineNo, 4);
  EXPECT_EQ(lngLastILogLineNo, 1);
  // The answered request added the program, Internet access allowed.
  EXPECT_EQ(ReadINI("app", "Path", "", strProgramControlFile, true), "/opt/demo/app");
  EXPECT_EQ(ReadINI("app", "Column2", "", strProgramControlFile, true), "0");
  EXPECT_TRUE(colProgramList.Item("/opt/demo/app")->Active);
  EXPECT_EQ(ReadINI("LIBNET.SO", "Path", "", strComponentsFile, true), "/opt/demo/libnet.so");
  // The program's packet is logged at once and counted.
  const std::string allowed =
      "Medium,%s,10:15:30,Allow,TCP,Outgoing,192.168.5.20:40000,10.1.2.3:443,app,Repeat Program,40000,443";
  std::string today = FormatDate(Today(), "yyyy/mm/dd");
  std::string expected = allowed;
  expected.replace(expected.find("%s"), 2, today);
  EXPECT_EQ(readText("Logs/Alertlog.txt"), expected + "\r\n");
  EXPECT_EQ(alertSetting("OPrograms"), "1");
  EXPECT_EQ(alertSetting("OAllows"), "1");

  // The denied packet without a program pops up.
  frmDisplay* popup = LoadedForm<frmDisplay>();
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(popup->isVisible());
  EXPECT_EQ(popup->findChild<QLabel*>("lbAlertMessage")->text().toStdString(),
            "The firewall has blocked internet access to 10.1.2.3 (SMTP) from your computer.");
  EXPECT_EQ(popup->findChild<QLabel*>("lblCount")->text().toStdString(), "1 of 1");

  // It is seen again before the user answers.
  ASSERT_EQ(event({"--i", "--alert"}), 0);
  timer->TimerReadEvent_Timer();
  EXPECT_EQ(popup->findChild<QLabel*>("lblSessionTotalAlerts")->text().toStdString(), "2");
  popup->findChild<QPushButton*>("cmdOk")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(LoadedForm<frmDisplay>(), nullptr);
  const std::vector<std::string> lines = qtrLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "High," + today + " 10:15:30,Deny,TCP,Outgoing,192.168.0.5:1025,10.1.2.3:25,,Protected,1025,25,2");
  EXPECT_NE(readText("Logs/Alertlog.txt").find(",Protected,1025,25\r\n"), std::string::npos);
}

TEST_F(AlertsRoad, AlertsGoToTheLogChosenWithBrowseOutsideTheProgramFolderAlsoAfterARestart) {
  const fs::path elsewhere = fs::path(folder + "-elsewhere");
  fs::create_directories(elsewhere);
  const std::string chosen = (elsewhere / "alerts.txt").string();
  AlertEvent = 0;  // every alert goes straight to the logs
  ASSERT_TRUE(WriteINI("Main", "AlertEvent", "0", strAlertsSettingFile, true));
  {
    frmAdvanceAlertsLogs dialog;
    dialogAnswers(chosen);
    dialog.cmdBrowse->click();
    EXPECT_EQ(dialog.txtLogPath->text().toStdString(), chosen);
    dialog.cmdProgramOptionOk->click();
  }
  std::string moved;
  ASSERT_TRUE(platform::readFile(chosen, moved));
  ASSERT_EQ(event({"--alert"}), 0);
  timer->TimerReadEvent_Timer();
  std::string text;
  ASSERT_TRUE(platform::readFile(chosen, text));
  EXPECT_NE(text.find(",Protected,1025,25\r\n"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(native("Logs/alerts.txt")));

  restart();
  ASSERT_EQ(event({"--alert"}), 0);
  timer->TimerReadEvent_Timer();
  std::string after;
  ASSERT_TRUE(platform::readFile(chosen, after));
  EXPECT_EQ(after.size(), text.size() + (text.size() - moved.size()));
  EXPECT_FALSE(fs::exists(native("Logs/alerts.txt")));
  fs::remove_all(elsewhere);
}

TEST_F(AlertsRoad, AProgramAddedThroughALinkIsStoredUnderItsTargetAndShownActiveWhenItRuns) {
  writeText("bin/tool-2.1", std::string("\x7f" "ELF\x02\x01\x01", 7));
  fs::permissions(native("bin/tool-2.1"), fs::perms::owner_all);
  fs::create_symlink("tool-2.1", native("bin/tool"));
  MDIMainIfLoaded()->ProgramControl_Click();
  frmProgramControl* page = ProgramControlPageIfLoaded();
  ASSERT_NE(page, nullptr);
  dialogAnswers(native("bin/tool"));
  page->cmdProgramControlProgramAdd->click();
  const std::string target = native("bin/tool-2.1");
  EXPECT_EQ(ReadINI("tool-2.1", "Path", "", strProgramControlFile, true), target);
  ASSERT_EQ(page->lvwPrograms->topLevelItemCount(), 1);
  QTreeWidgetItem* row = page->lvwPrograms->topLevelItem(0);
  EXPECT_FALSE(row->font(0).bold());

  // The engine names the running program as /proc/PID/exe reads it.
  ASSERT_EQ(event({"NP", "700", target}), 0);
  timer->TimerReadEvent_Timer();
  EXPECT_TRUE(colProgramList.Item(LCase(target))->Active);
  EXPECT_TRUE(row->font(0).bold());
  EXPECT_EQ(row->foreground(0).color(), QColor(0, 128, 0));
  EXPECT_EQ(colProgramList.Count(), 1);
}

TEST_F(AlertsRoad, AProgramWhoseFileNameIsNotUtf8IsShownAsTheDesktopShowsItAndManagedByItsOwnName) {
  // Linux file names are bytes: this one is not UTF-8.
  const std::string name = "tr\xfe" "e";
  const std::string program = native("bin/" + name);
  fs::create_directories(native("bin"));
  fs::copy_file("/usr/bin/true", program);
  fs::copy_file("/usr/bin/true", native("bin/plain"));
  ASSERT_EQ(event({"CR", "4242", program, "2", "2", "2"}), 0);
  timer->TimerReadEvent_Timer();
  ASSERT_EQ(ReadINI(name, "Path", "", strProgramControlFile, true), program);

  MDIMainIfLoaded()->ProgramControl_Click();
  frmProgramControl* page = ProgramControlPageIfLoaded();
  ASSERT_NE(page, nullptr);
  page->TabProgramControl->setCurrentIndex(1);
  ASSERT_EQ(page->lvwPrograms->topLevelItemCount(), 1);
  QTreeWidgetItem* row = page->lvwPrograms->topLevelItem(0);
  EXPECT_EQ(row->text(0), QString::fromUtf8("tr\xef\xbf\xbd" "e"));
  // A click on the row's name.
  QWidget* viewport = page->lvwPrograms->viewport();
  const QPointF at(page->lvwPrograms->visualItemRect(row).topLeft() + QPoint(4, 4));
  QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
  QApplication::sendEvent(viewport, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton, {}, {});
  QApplication::sendEvent(viewport, &release);

  // The details are the file's own.
  getFileProperty(native("bin/plain"));
  const std::string size = tblFileInfo.SizeText;
  ASSERT_NE(size, "0 Byte");
  const std::string details = page->rtProgramListDetails->toPlainText().toUtf8().toStdString();
  EXPECT_NE(details.find("File Size :\t\t" + size + "\n"), std::string::npos) << details;

  // A right chosen from the menu is stored in the program's own section.
  MDIMainIfLoaded()->MenuItem("mnuAccessTrustedBlock")->trigger();
  EXPECT_EQ(ReadINI(name, "Column1", "", strProgramControlFile, true), "1");
  EXPECT_EQ(GetINISectionNames(strProgramControlFile), name) << "no other section";

  // Options opens on the program.
  QString optionsFor;
  {
    mvtest::ModalDriver options([] { return LoadedForm<frmProgramControlProgramOption>(); }, [&] {
      frmProgramControlProgramOption* d = LoadedForm<frmProgramControlProgramOption>();
      optionsFor = d->sknlblPortsProductName->text();
      d->cmdProgramOptionCancel_Click();
    });
    page->cmdProgramControlProgramOption->click();
    EXPECT_EQ(options.opened, 1);
  }
  EXPECT_EQ(optionsFor, row->text(0));

  // Remove takes its section out of the file, for good.
  answers = {platform::vbYes};
  page->cmdRemove->click();
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_EQ(GetINISectionNames(strProgramControlFile), "");
  restart();
  MDIMainIfLoaded()->ProgramControl_Click();
  EXPECT_EQ(ProgramControlPageIfLoaded()->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_EQ(colProgramList.Count(), 0);
}

TEST_F(AlertsRoad, AScriptIsAddedAsTheProgramThatRunsItWhenTheUserAgreesAndShownActiveWhenItRuns) {
  const std::string script = writeScript("bin/backup", "/bin/sh");
  // The engine names a running script as /proc/PID/exe names it.
  const std::string seen = mvtest::runningExecutable(script);
  ASSERT_FALSE(seen.empty());
  MDIMainIfLoaded()->ProgramControl_Click();
  frmProgramControl* page = ProgramControlPageIfLoaded();
  ASSERT_NE(page, nullptr);
  const std::string before = readText("Profiles/ProgramControl.MVL");
  dialogAnswers(script);
  messages.clear();
  answers = {platform::vbNo};
  page->cmdProgramControlProgramAdd->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, script + " is a script. The firewall sees the program that runs it, " + seen +
                                    ", and the rights given to that program cover every script it runs.\r\n\r\n"
                                    "Do you want to add " + seen + "?");
  EXPECT_EQ(messages[0].buttons, platform::vbYesNo + platform::vbQuestion);
  EXPECT_EQ(messages[0].title, "Morvantis");
  EXPECT_EQ(page->lvwPrograms->topLevelItemCount(), 0);
  EXPECT_EQ(colProgramList.Count(), 0);
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), before);

  answers = {platform::vbYes};
  page->cmdProgramControlProgramAdd->click();
  EXPECT_EQ(ReadINI(fs::path(seen).filename().string(), "Path", "", strProgramControlFile, true), seen);
  ASSERT_EQ(page->lvwPrograms->topLevelItemCount(), 1);
  QTreeWidgetItem* row = page->lvwPrograms->topLevelItem(0);
  ASSERT_EQ(event({"NP", "700", seen}), 0);
  timer->TimerReadEvent_Timer();
  EXPECT_TRUE(colProgramList.Item(LCase(seen))->Active);
  EXPECT_TRUE(row->font(0).bold());
  EXPECT_EQ(colProgramList.Count(), 1);
}

TEST_F(AlertsRoad, AnApplyStartsTheReaderAtTheFreshLogsFirstLine) {
  ASSERT_EQ(event({"NP", "1", "/opt/demo/a"}), 0);
  ASSERT_EQ(event({"NP", "2", "/opt/demo/b"}), 0);
  timer->TimerReadEvent_Timer();
  EXPECT_EQ(lngLastLogLineNo, 2);
  ASSERT_TRUE(ReStartService());
  EXPECT_EQ(lngLastLogLineNo, 0);
  ASSERT_EQ(event({"NP", "3", "/opt/demo/c"}), 0);
  timer->TimerReadEvent_Timer();
  EXPECT_EQ(lngLastLogLineNo, 1);
  ASSERT_EQ(arrProcessList.size(), 2u);
  EXPECT_EQ(arrProcessList[1].PID, "3");
}

TEST_F(AlertsRoad, QueuedAlertsAreLoggedAtExit) {
  ASSERT_EQ(event({"--alert"}), 0);
  timer->TimerReadEvent_Timer();
  ASSERT_EQ(arrAlertQueue.size(), 2u);
  EXPECT_THROW(timer->mnuSysTrayExit_Click(), ProgramEnded);
  EXPECT_EQ(qtrLines().size(), 1u);
}

}  // namespace
