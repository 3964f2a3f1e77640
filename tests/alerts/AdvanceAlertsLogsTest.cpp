// The advanced alert and log settings through their controls: the archive
// period with its arrows, the separator, moving the plain log, viewing and
// deleting it, Default, Apply, OK and Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <optional>

#include "alerts/frmAdvanceAlertsLogs.h"
#include "alerts/frmAlertsAndLogs.h"
#include "alerts/mdlAlertQueue.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/Shell.h"
#include "tests/alerts/AlertsPageFixture.h"
#include "tests/core/ModalDriver.h"

namespace mvtest {
namespace {

namespace fs = std::filesystem;
using namespace mv;

const std::string kLog = "High,2024/03/15,10:15:30,Deny,TCP,Outgoing,a,b,,Protected,1,2\r\n";

class AdvanceDialog : public AlertsPageTest {
 protected:
  void SetUp() override {
    AlertsPageTest::SetUp();
    writeText("logs/Alertlog.txt", kLog);
  }
  void TearDown() override {
    dialog.reset();
    page.reset();
    platform::setFileDialogHandler(nullptr);
    AlertsPageTest::TearDown();
  }
  void load() { dialog = std::make_unique<frmAdvanceAlertsLogs>(); }
  // The save dialog answers with this file under the program folder, as
  // the operating system names it, or is cancelled.
  void browseTo(const std::optional<std::string>& relative) {
    platform::setFileDialogHandler([this, relative](platform::FileDialogKind kind, const platform::FileDialogOptions& o)
                                       -> std::optional<platform::FileDialogResult> {
      asked = o;
      EXPECT_EQ(kind, platform::FileDialogKind::Save);
      if (!relative) return std::nullopt;
      return platform::FileDialogResult{native(*relative), fs::path(*relative).filename().string()};
    });
    dialog->cmdBrowse->click();
  }
  // Browse through the real save dialog: the user goes to the folder (under
  // the program folder) and types the name into its name box, which its
  // Save button takes.
  void browseTyping(const std::string& relativeFolder, const std::string& typed) {
    auto saveDialog = []() -> QFileDialog* {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) return d;
      return nullptr;
    };
    ModalDriver driver(saveDialog, [&] {
      QFileDialog* d = saveDialog();
      d->setDirectory(QString::fromStdString(native(relativeFolder)));
      auto* name = d->findChild<QLineEdit*>("fileNameEdit");
      name->selectAll();
      for (QChar c : QString::fromStdString(typed)) key(name, 0, QString(c));
      d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save)->click();
    });
    dialog->cmdBrowse->click();
    EXPECT_EQ(driver.opened, 1);
    EXPECT_EQ(driver.leftOpen, 0);
  }
  static void key(QWidget* target, int code, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
  }
  std::string days() const { return dialog->txtAlertsDays->text().toStdString(); }
  bool applyEnabled() const { return dialog->cmdProgramOptionApply->isEnabled(); }

  std::unique_ptr<frmAdvanceAlertsLogs> dialog;
  std::unique_ptr<frmAlertsAndLogs> page;
  platform::FileDialogOptions asked;
};

TEST_F(AdvanceDialog, LoadingShowsTheSettingsWithApplyOff) {
  store("LogSeparation", "2");
  store("AlertDays", "7");
  load();
  EXPECT_EQ(dialog->windowTitle(), "Advance Alerts & Log Settings");
  EXPECT_TRUE(dialog->chkAlertsDays->isChecked());
  EXPECT_TRUE(dialog->txtAlertsDays->isEnabled());
  EXPECT_EQ(days(), "7");
  EXPECT_EQ(dialog->txtLogPath->text().toStdString(), native("logs/Alertlog.txt"));
  EXPECT_EQ(dialog->lbFileSize->text().toStdString(), std::to_string(kLog.size()) + " bytes");
  EXPECT_TRUE(dialog->optTabSaperated->isChecked());
  // The folder the archives go to, as the user would type it.
  EXPECT_EQ(dialog->lbArchiveDirectory->text().toStdString(), "Archive File Path - " + folder + "/Backup/");
  EXPECT_EQ(dialog->TabPrivacyCustom->currentIndex(), 1);
  EXPECT_FALSE(applyEnabled());
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
}

TEST_F(AdvanceDialog, ASeparatorOnlyChangeWritesOnlyItsKeyAndLeavesTheLogAlone) {
  store("LogSeparation", "1");
  load();
  // Another program changes what the dialog shows: the days, the switch and
  // the log's place stay as that program stored them.
  store("AlertDay", "0");
  store("AlertDays", "9");
  store("Path", "elsewhere");
  dialog->optTabSaperated->click();
  ASSERT_TRUE(applyEnabled());
  dialog->cmdProgramOptionApply->click();
  EXPECT_FALSE(applyEnabled());
  EXPECT_EQ(stored("AlertDay"), "0");
  EXPECT_EQ(stored("AlertDays"), "9");
  EXPECT_EQ(stored("Path"), "elsewhere");
  EXPECT_EQ(stored("LogSeparation"), "2");
  EXPECT_EQ(strLogSeparator, "\t");
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_TRUE(messages.empty());
  // OK with nothing changed since stores nothing.
  const std::string before = readText("Profiles/AlertsAndLogSetting.MVL");
  dialog->chkAlertsDays->click();
  dialog->chkAlertsDays->click();
  dialog->cmdProgramOptionOk->click();
  EXPECT_EQ(readText("Profiles/AlertsAndLogSetting.MVL"), before);
}

TEST_F(AdvanceDialog, WithNoSeparatorChosenTheStoredOneIsKept) {
  store("LogSeparation", "7");
  strLogSeparator = ",";
  load();
  EXPECT_FALSE(dialog->OptCommaSaperated->isChecked() || dialog->optTabSaperated->isChecked() ||
               dialog->optSemicolonSaperated->isChecked());
  dialog->chkAlertsDays->click();
  dialog->cmdProgramOptionApply->click();
  EXPECT_EQ(stored("LogSeparation"), "7");
  EXPECT_EQ(stored("AlertDay"), "0");
  EXPECT_EQ(AlertDay, 0);
  EXPECT_EQ(strLogSeparator, ",");
}

TEST_F(AdvanceDialog, MovingWithTheOldLogMissingCreatesTheTwoHeaderLines) {
  fs::remove(native("logs/Alertlog.txt"));
  page = std::make_unique<frmAlertsAndLogs>();
  load();
  browseTo("archive/new.txt");
  EXPECT_EQ(asked.DialogTitle, "Save log File");
  EXPECT_EQ(asked.Filter, "Text File (*.txt)|*.txt;|All Files (*.*)|*.*");
  EXPECT_EQ(asked.InitDir, AppPath() + "\\logs");
  EXPECT_EQ(asked.FileName, "Alertlog.txt");
  EXPECT_TRUE(applyEnabled());
  fs::create_directories(native("archive"));
  dialog->cmdProgramOptionOk->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  // The chosen file is kept as the operating system named it.
  const std::string moved = native("archive/new.txt");
  EXPECT_EQ(readText("archive/new.txt"), "Log File\r\nMorvantis Verion : 1.0\r\n");
  EXPECT_EQ(strLogPath, moved);
  EXPECT_EQ(stored("Path"), moved);
  // The page's footer names the new place as the user would type it.
  EXPECT_NE(page->lbLogviewerFooter->text().toStdString().find(native("archive/new.txt")), std::string::npos);
}

TEST_F(AdvanceDialog, MovingTakesTheLogsLinesAlong) {
  load();
  browseTo("moved.txt");
  dialog->cmdProgramOptionApply->click();
  EXPECT_EQ(readText("moved.txt"), kLog);
  EXPECT_FALSE(fs::exists(native("logs/Alertlog.txt")));
  EXPECT_EQ(strLogPath, native("moved.txt"));
  // Browsing twice before saving moves the log in use, not the first choice.
  browseTo("first.txt");
  browseTo("second.txt");
  dialog->cmdProgramOptionApply->click();
  EXPECT_EQ(readText("second.txt"), kLog);
  EXPECT_FALSE(fs::exists(native("moved.txt")));
  EXPECT_FALSE(fs::exists(native("first.txt")));
  EXPECT_EQ(stored("Path"), native("second.txt"));
}

TEST_F(AdvanceDialog, ALogCopiedButNotRemovedKeepsTheOldPathAndTheUserIsTold) {
  ASSERT_TRUE(platform::setReadOnly(strLogPath, true));
  const std::string old = strLogPath;
  store("Path", old);
  load();
  browseTo("moved.txt");
  dialog->cmdProgramOptionApply->click();
  EXPECT_EQ(strLogPath, old);
  EXPECT_EQ(stored("Path"), old);
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_FALSE(fs::exists(native("moved.txt")));
  EXPECT_EQ(dialog->txtLogPath->text().toStdString(), native("logs/Alertlog.txt"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("could not be moved"), std::string::npos);
  EXPECT_FALSE(applyEnabled());  // the other settings were stored
}

TEST_F(AdvanceDialog, ASettingsFileThatCannotBeWrittenLeavesTheLogWhereItWas) {
  const std::string old = strLogPath;
  store("Path", old);
  load();
  dialog->show();
  ASSERT_TRUE(platform::setReadOnly(strAlertsSettingFile, true));
  browseTo("moved.txt");
  dialog->cmdProgramOptionOk->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The settings could not be saved in " + native("Profiles/AlertsAndLogSetting.MVL") + ".");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(applyEnabled());
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_FALSE(fs::exists(native("moved.txt")));
  EXPECT_EQ(strLogPath, old);
  EXPECT_EQ(stored("Path"), old);
}

TEST_F(AdvanceDialog, AnExistingFileChosenForADeletedLogKeepsItsContentWhenTheSettingsCannotBeWritten) {
  const std::string mine = "the user's own notes\r\n";
  writeText("notes.txt", mine);
  store("Path", strLogPath);
  load();
  dialog->show();
  answers = {platform::vbYes};
  dialog->cmdDeleteLog->click();
  ASSERT_FALSE(fs::exists(native("logs/Alertlog.txt")));
  ASSERT_TRUE(platform::setReadOnly(strAlertsSettingFile, true));
  browseTo("notes.txt");
  dialog->cmdProgramOptionOk->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt, "The settings could not be saved in " + native("Profiles/AlertsAndLogSetting.MVL") + ".");
  EXPECT_EQ(readText("notes.txt"), mine);
}

TEST_F(AdvanceDialog, ANewNameThatDiffersInCaseFromAFileThereIsAFileOfItsOwn) {
  const std::string mine = "the user's own alerts\r\n";
  writeText("mine/alerts.txt", mine);
  store("Path", strLogPath);
  load();
  browseTyping("mine", "Alerts.txt");
  EXPECT_EQ(dialog->txtLogPath->text().toStdString(), native("mine/Alerts.txt"));
  dialog->cmdProgramOptionApply->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(readText("mine/alerts.txt"), mine);
  EXPECT_EQ(readText("mine/Alerts.txt"), kLog);
  EXPECT_EQ(stored("Path"), native("mine/Alerts.txt"));
  // The alerts, View and Delete go to the file chosen, not to the other one.
  AddSingleLineInBegin("a new alert");
  EXPECT_EQ(readText("mine/Alerts.txt"), kLog + "a new alert\r\n");
  std::vector<std::string> viewed;
  platform::setTextViewerHandler([&](const std::string& path) {
    viewed.push_back(platform::resolvePath(path));
    return true;
  });
  dialog->cmdViewLog->click();
  EXPECT_EQ(viewed, std::vector<std::string>{native("mine/Alerts.txt")});
  answers = {platform::vbYes};
  dialog->cmdDeleteLog->click();
  EXPECT_FALSE(fs::exists(native("mine/Alerts.txt")));
  EXPECT_EQ(readText("mine/alerts.txt"), mine);
}

TEST_F(AdvanceDialog, ANameHoldingABackslashIsRefusedAndNoOtherFileIsMade) {
  fs::create_directories(native("mine"));
  store("Path", strLogPath);
  load();
  browseTyping("mine", "a\\b.txt");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("cannot hold \"\\\""), std::string::npos);
  EXPECT_EQ(messages[0].prompt.find(native("mine/a\\b.txt")), 0u);
  EXPECT_EQ(messages[0].buttons, platform::vbExclamation);
  EXPECT_EQ(dialog->txtLogPath->text().toStdString(), native("logs/Alertlog.txt"));
  dialog->cmdProgramOptionOk->click();
  EXPECT_EQ(stored("Path"), AppPath() + "\\logs\\Alertlog.txt");
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_TRUE(fs::is_empty(native("mine")));
}

TEST_F(AdvanceDialog, AMoveEndedAfterAnyWriteLeavesTheWholeLogWhereTheSettingsSayAfterAStart) {
  const std::string old = strLogPath;
  store("Path", old);
  ASSERT_TRUE(setPassword(""));  // the start reads it
  const std::string settings = readText("Profiles/AlertsAndLogSetting.MVL");
  auto move = [&] {
    load();
    browseTo("moved.txt");
    dialog->cmdProgramOptionApply->click();
    dialog.reset();
  };
  int writes = 0;
  platform::setProfileFileWriter([&writes](const std::string& native, const std::string& bytes) {
    ++writes;
    return platform::writeNativeFileAtomic(native, bytes);
  });
  move();
  platform::setProfileFileWriter(nullptr);
  ASSERT_EQ(stored("Path"), native("moved.txt"));
  ASSERT_GE(writes, 3);
  for (int done = 0; done <= writes; ++done) {
    SCOPED_TRACE("ended after " + std::to_string(done) + " writes");
    writeText("logs/Alertlog.txt", kLog);
    fs::remove(native("moved.txt"));
    writeText("Profiles/AlertsAndLogSetting.MVL", settings);
    platform::profileClearCache();
    strLogPath = old;
    platform::setProfileFileWriter([left = done](const std::string& native, const std::string& bytes) mutable {
      return left-- > 0 && platform::writeNativeFileAtomic(native, bytes);
    });
    move();
    platform::setProfileFileWriter(nullptr);
    // The next start.
    platform::profileFinishPendingChange();
    InitAllPath();
    ASSERT_TRUE(openLogFiles());
    EXPECT_EQ(strLogPath, stored("Path"));
    EXPECT_EQ(slurp(platform::resolvePath(strLogPath)), kLog);
    // One log, before or after the move.
    const bool moved = strLogPath == native("moved.txt");
    EXPECT_TRUE(moved || strLogPath == old);
    EXPECT_NE(fs::exists(native("logs/Alertlog.txt")), moved);
    EXPECT_EQ(fs::exists(native("moved.txt")), moved);
  }
}

TEST_F(AdvanceDialog, AMoveThatCannotBeStoredNamesTheFileThatCouldNotBeWritten) {
  store("Path", strLogPath);
  load();
  browseTo("moved.txt");
  const std::string record = platform::profileChangeRecordPath();
  platform::setProfileFileWriter([&record](const std::string& native, const std::string& bytes) {
    return native != record && platform::writeNativeFileAtomic(native, bytes);
  });
  dialog->cmdProgramOptionApply->click();
  platform::setProfileFileWriter(nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The settings could not be saved in " + record + ".");
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
  EXPECT_FALSE(fs::exists(native("moved.txt")));
  EXPECT_TRUE(applyEnabled());
}

TEST_F(AdvanceDialog, ACancelledBrowseKeepsThePath) {
  load();
  browseTo(std::nullopt);
  EXPECT_EQ(dialog->txtLogPath->text().toStdString(), native("logs/Alertlog.txt"));
  dialog->cmdProgramOptionApply->click();
  EXPECT_EQ(readText("logs/Alertlog.txt"), kLog);
}

TEST_F(AdvanceDialog, ViewWithoutATextViewerNamesTheLogAsTheUserWouldTypeIt) {
  load();
  {
    NoProgramsOnPath none;
    dialog->cmdViewLog->click();
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "No text viewer could be started for " + native("logs/Alertlog.txt") + ".");
}

TEST_F(AdvanceDialog, ViewSaysWhenTheViewerStartsAndFails) {
  load();
  FailingOpener opener;
  dialog->cmdViewLog->click();
  ASSERT_TRUE(processEventsUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].prompt, "No text viewer could be started for " + native("logs/Alertlog.txt") + ".");
}

TEST_F(AdvanceDialog, TheDaysBoxStaysBetweenOneAndTheMost) {
  load();
  dialog->txtAlertsDays->setText("0");
  EXPECT_EQ(days(), "1");
  EXPECT_TRUE(applyEnabled());
  key(dialog->Up_Down_AlertsDays, Qt::Key_Down);
  EXPECT_EQ(days(), "1");
  key(dialog->Up_Down_AlertsDays, Qt::Key_Up);
  EXPECT_EQ(days(), "2");
  dialog->txtAlertsDays->setText("12345");
  EXPECT_EQ(days(), "9999");
  key(dialog->Up_Down_AlertsDays, Qt::Key_Up);
  EXPECT_EQ(days(), "9999");
  dialog->txtAlertsDays->selectAll();
  key(dialog->txtAlertsDays, Qt::Key_X, "x");
  key(dialog->txtAlertsDays, Qt::Key_4, "4");
  EXPECT_EQ(days(), "4");
  dialog->cmdProgramOptionApply->click();
  EXPECT_EQ(stored("AlertDays"), "4");
  EXPECT_EQ(AlertDays, 7);  // archiving keeps its period until the next start
  // Reopened, the dialog shows the stored period.
  load();
  EXPECT_EQ(days(), "4");
}

TEST_F(AdvanceDialog, ArchivingOffDisablesTheDaysAndTheirArrows) {
  load();
  dialog->chkAlertsDays->click();
  EXPECT_FALSE(dialog->txtAlertsDays->isEnabled());
  EXPECT_FALSE(dialog->Up_Down_AlertsDays->isEnabled());
  key(dialog->Up_Down_AlertsDays, Qt::Key_Up);
  EXPECT_EQ(days(), "7");
  dialog->chkAlertsDays->click();
  EXPECT_TRUE(dialog->Up_Down_AlertsDays->isEnabled());
}

TEST_F(AdvanceDialog, DefaultSetsTwoDaysArchivingAndCommaButSavesOnlyOnApply) {
  store("LogSeparation", "3");
  AlertDay = 0;
  load();
  dialog->cmdLogDefault->click();
  EXPECT_EQ(days(), "2");
  EXPECT_TRUE(dialog->chkAlertsDays->isChecked());
  EXPECT_TRUE(dialog->OptCommaSaperated->isChecked());
  EXPECT_EQ(stored("LogSeparation"), "3");
  dialog->cmdProgramOptionCancel->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(stored("LogSeparation"), "3");
  EXPECT_EQ(stored("AlertDays"), "7");
  load();
  dialog->cmdLogDefault->click();
  dialog->cmdProgramOptionOk->click();
  EXPECT_EQ(stored("LogSeparation"), "1");
  EXPECT_EQ(stored("AlertDays"), "2");
  EXPECT_EQ(stored("AlertDay"), "1");
}

TEST_F(AdvanceDialog, DeleteRemovesTheLogAfterAskingAndAMissingLogKeepsItsSize) {
  load();
  answers = {platform::vbNo, platform::vbYes, platform::vbYes};
  dialog->cmdDeleteLog->click();
  EXPECT_TRUE(fs::exists(native("logs/Alertlog.txt")));
  dialog->cmdDeleteLog->click();
  EXPECT_EQ(messages[1].prompt, "Are you sure you want to delete all logs?");
  EXPECT_EQ(messages[1].buttons, platform::vbYesNo + platform::vbQuestion);
  EXPECT_FALSE(fs::exists(native("logs/Alertlog.txt")));
  EXPECT_EQ(dialog->lbFileSize->text(), "0 Bytes");
  dialog->lbFileSize->setText("before");
  dialog->cmdDeleteLog->click();
  EXPECT_EQ(dialog->lbFileSize->text(), "before");
}

TEST_F(AdvanceDialog, ViewHandsThePathToTheTextViewer) {
  std::vector<std::string> opened;
  bool started = true;
  platform::setTextViewerHandler([&](const std::string& path) {
    opened.push_back(path);
    return started;
  });
  load();
  dialog->cmdViewLog->click();
  EXPECT_EQ(opened, std::vector<std::string>{strLogPath});
  EXPECT_TRUE(messages.empty());
  started = false;
  dialog->cmdViewLog->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("No text viewer"), std::string::npos);
}

TEST_F(AdvanceDialog, TheEventsTabIsNotThereYetAndItsButtonsActOnWhateverRowsItHolds) {
  load();
  dialog->TabPrivacyCustom->setCurrentIndex(0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Alert event is not implemented yet.");
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_EQ(dialog->lvwAlertsAndLogs->topLevelItemCount(), 0);

  auto* row = new QTreeWidgetItem(dialog->lvwAlertsAndLogs, QStringList{"Blocked loopback packets", "No", "No"});
  dialog->cmdCheckAll->click();
  EXPECT_EQ(row->text(1), "Yes");
  EXPECT_EQ(row->text(2), "Yes");
  dialog->cmdClearAll->click();
  EXPECT_EQ(row->text(2), "No");
  dialog->lvwAlertsAndLogs->setCurrentItem(row);
  auto mouseUp = [&](int x) {
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(x, 5), QPointF(x, 5), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(dialog->lvwAlertsAndLogs->viewport(), &up);
  };
  const int first = dialog->lvwAlertsAndLogs->columnWidth(0);
  mouseUp(first + 5);
  EXPECT_EQ(row->text(1), "Yes");
  EXPECT_EQ(row->text(2), "No");
  mouseUp(first + dialog->lvwAlertsAndLogs->columnWidth(1) + 5);
  EXPECT_EQ(row->text(2), "Yes");
  mouseUp(first - 5);
  EXPECT_EQ(row->text(1), "Yes");
  EXPECT_FALSE(applyEnabled());  // nothing of the list is stored
}

}  // namespace
}  // namespace mvtest
