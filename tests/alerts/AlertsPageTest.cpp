// The alerts-and-logs page through its controls: the switches behind the
// login gate, the alert list with its details and sorts, the count box and its
// arrows, Clear, Refresh, Advance, and the main window's ways to the page.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTreeWidget>
#include <memory>

#include "alerts/frmAdvanceAlertsLogs.h"
#include "alerts/frmAlertsAndLogs.h"
#include "core/MDIMain.h"
#include "core/frmLogin.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "tests/alerts/AlertsPageFixture.h"
#include "tests/core/ModalDriver.h"

namespace mvtest {
namespace {

using namespace mv;

class AlertsPage : public AlertsPageTest {
 protected:
  void TearDown() override {
    page.reset();
    AlertsPageTest::TearDown();
  }
  void load() {
    page = std::make_unique<frmAlertsAndLogs>();
    page->show();
  }
  // The user leaves the switches for the log viewer.
  void openViewer() { page->TabPrivacy->setCurrentIndex(1); }
  std::unique_ptr<ModalDriver> onLogin(const std::string& password) {
    return std::make_unique<ModalDriver>([] { return LoginFormIfLoaded(); }, [password] {
      frmLogin& form = *LoginFormIfLoaded();
      if (password.empty()) return form.cmdCancel_Click();
      form.txtPassword->setText(QString::fromStdString(password));
      form.cmdOk_Click();
    });
  }
  std::vector<std::string> column(int c) const {
    std::vector<std::string> out;
    for (int i = 0; i < page->lvwAlerts->topLevelItemCount(); ++i)
      out.push_back(page->lvwAlerts->topLevelItem(i)->text(c).toStdString());
    return out;
  }
  void clickHeader(int section) const {
    QHeaderView* header = page->lvwAlerts->header();
    const QPointF at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2.0,
                     header->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    QApplication::sendEvent(header->viewport(), &release);
  }
  static void key(QWidget* target, int code, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
  }
  void type(const std::string& keys) const {
    for (char c : keys) key(page->txtMaxAlertsShows, c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : c, QString(QChar(c)));
  }
  static std::string label(const QLabel* l) { return l->text().toStdString(); }
  std::string count() const { return page->txtMaxAlertsShows->text().toStdString(); }

  std::unique_ptr<frmAlertsAndLogs> page;
};

// ---------------------------------------------------------------------------
// Loading and the switches.

TEST_F(AlertsPage, LoadingShowsTheSettingsAndAsksNoPassword) {
  strPassword = "pw";
  AlertEvent = 0;
  AlertOn = false;
  store("LastAlerts", "20");
  auto login = onLogin("");
  load();
  EXPECT_TRUE(page->optAlertEventOff->isChecked());
  EXPECT_FALSE(page->optAlertEventOn->isChecked());
  EXPECT_EQ(label(page->lblAlertHeader), "Off :");
  EXPECT_EQ(label(page->lblAlertDesc1), "Do not show any alert.");
  EXPECT_TRUE(page->optLogOn->isChecked());
  EXPECT_EQ(label(page->lblProgramLogHeader), "On :");
  EXPECT_EQ(label(page->lblProgramLogDesc1), "Add all alerts to log.");
  EXPECT_TRUE(page->OptEventLogOff->isChecked());
  EXPECT_EQ(label(page->lblEventLogsDesc1), "Firewall log is Disabled.");
  EXPECT_EQ(count(), "20");
  EXPECT_EQ(label(page->lbAlertsMainFooter).substr(0, 18), "Alert Event Shows:");
  EXPECT_EQ(label(page->lbLogviewerFooter),
            "The log list is displayed last 20 logs.\nCurrent log file saves to : " + native("logs/Alertlog.txt"));
  EXPECT_EQ(page->fraAlertEvents->title(), "Alert Event Show");
  EXPECT_EQ(page->cmdClearLog->text(), "&Clear");
  EXPECT_EQ(login->opened, 0);
  EXPECT_EQ(stored("AlertEvent"), "1");  // loading writes no switch
  EXPECT_EQ(AlertsPageIfLoaded(), page.get());
}

TEST_F(AlertsPage, ACountOutOfRangeIsPutInRangeAndStoredWhileLoading) {
  store("LastAlerts", "0");
  load();
  EXPECT_EQ(count(), "1");
  EXPECT_EQ(stored("LastAlerts"), "1");
}

TEST_F(AlertsPage, EachSwitchWritesItsKeyAndItsGlobalWithoutAPassword) {
  load();
  page->optAlertEventOff->click();
  EXPECT_EQ(AlertEvent, 0);
  EXPECT_EQ(stored("AlertEvent"), "0");
  EXPECT_EQ(label(page->lblAlertDesc1), "Do not show any alert.");
  page->optLogOff->click();
  EXPECT_EQ(ProgramLog, 0);
  EXPECT_EQ(stored("ProgramLog"), "0");
  EXPECT_EQ(label(page->lblProgramLogHeader), "Off :");
  EXPECT_EQ(label(page->lblProgramLogDesc1), "Do not add any alert to log.");
  page->OptEventLogOff->click();
  EXPECT_FALSE(AlertOn);
  EXPECT_EQ(stored("AlertOn"), "0");
  EXPECT_EQ(label(page->lblEventLogsHeader), "Off :");
  page->OptEventLogOn->click();
  page->optAlertEventOn->click();
  page->optLogOn->click();
  EXPECT_TRUE(AlertOn);
  EXPECT_EQ(AlertEvent, 1);
  EXPECT_EQ(ProgramLog, 1);
  EXPECT_EQ(stored("AlertOn"), "1");
  EXPECT_EQ(stored("AlertEvent"), "1");
  EXPECT_EQ(stored("ProgramLog"), "1");
  EXPECT_EQ(label(page->lblEventLogsDesc1), "Firewall log is Enabled.");
}

TEST_F(AlertsPage, ARefusedPasswordPutsTheSwitchBackAndWritesNothing) {
  strPassword = "pw";
  load();
  auto login = onLogin("");
  page->optLogOff->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_TRUE(page->optLogOn->isChecked());
  EXPECT_FALSE(page->optLogOff->isChecked());
  EXPECT_EQ(ProgramLog, 1);
  EXPECT_EQ(stored("ProgramLog"), "1");
  EXPECT_EQ(label(page->lblProgramLogDesc1), "Add all alerts to log.");
  page->OptEventLogOff->click();
  EXPECT_EQ(login->opened, 2);
  EXPECT_TRUE(page->OptEventLogOn->isChecked());
  EXPECT_TRUE(AlertOn);
  EXPECT_EQ(stored("AlertOn"), "1");
}

TEST_F(AlertsPage, TheRightPasswordLetsTheSwitchChange) {
  strPassword = "pw";
  load();
  auto login = onLogin("pw");
  page->optAlertEventOff->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(AlertEvent, 0);
  EXPECT_EQ(stored("AlertEvent"), "0");
}

TEST_F(AlertsPage, ASwitchThatCannotBeStoredIsPutBackWithAMessage) {
  load();
  ASSERT_TRUE(platform::setReadOnly(strAlertsSettingFile, true));
  page->optAlertEventOff->click();
  EXPECT_TRUE(page->optAlertEventOn->isChecked());
  EXPECT_EQ(AlertEvent, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("could not be saved"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The alert list.

TEST_F(AlertsPage, LeavingTheSwitchesListsTheNewestFiftyOfSixtyNewestFirst) {
  writeAlerts(1, 60);
  load();
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 0);  // not read while loading
  openViewer();
  ASSERT_EQ(page->lvwAlerts->topLevelItemCount(), 50);
  EXPECT_EQ(column(6).front(), "prog60");
  EXPECT_EQ(column(6).back(), "prog11");
  EXPECT_TRUE(page->cmdClearLog->isEnabled());
  // The first row is selected with its details.
  EXPECT_EQ(page->lvwAlerts->currentItem(), page->lvwAlerts->topLevelItem(0));
  EXPECT_NE(page->rtSiteListDetails->toPlainText().toStdString().find("Program:\t\tprog60"), std::string::npos);
  EXPECT_EQ(page->lvwAlerts->headerItem()->text(0), "Date/Time");
  EXPECT_EQ(page->lvwAlerts->headerItem()->text(8), "Count");
}

TEST_F(AlertsPage, ALineWithTheWrongFieldCountIsSkipped) {
  writeAlertLog({alertText(1), alertText(2), "High,broken,line", alertText(4)});
  store("LastAlerts", "3");
  load();
  openViewer();
  EXPECT_EQ(column(6), (std::vector<std::string>{"prog4", "prog2"}));
}

TEST_F(AlertsPage, EveryValueOfTheDetailsStartsInOneColumn) {
  writeAlertLog({alertText(1)});
  load();
  openViewer();
  ASSERT_EQ(page->lvwAlerts->topLevelItemCount(), 1);
  page->lvwAlerts->setCurrentItem(page->lvwAlerts->topLevelItem(0));
  QTextDocument* doc = page->rtSiteListDetails->document();
  std::vector<int> columns;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    doc->documentLayout()->blockBoundingRect(b);  // lays the block out
    const int value = b.text().lastIndexOf('\t') + 1;
    columns.push_back(qRound(b.layout()->lineAt(0).cursorToX(value)));
  }
  ASSERT_EQ(columns.size(), 8u);  // "Source IP:" and "Protocol IP:" take one tab, the others two
  for (int x : columns) EXPECT_EQ(x, columns[0]);
}

TEST_F(AlertsPage, EachStateStandsLevelWithItsMeaning) {
  load();
  for (auto [state, meaning] : {std::pair{page->lblAlertHeader, page->lblAlertDesc1},
                                {page->lblProgramLogHeader, page->lblProgramLogDesc1},
                                {page->lblEventLogsHeader, page->lblEventLogsDesc1}}) {
    EXPECT_EQ(state->y(), meaning->y()) << meaning->objectName().toStdString();
    EXPECT_TRUE(state->alignment() & Qt::AlignTop);
    EXPECT_TRUE(meaning->alignment() & Qt::AlignTop);
  }
}

TEST_F(AlertsPage, ZeroCellsAreEmptyAndTheDetailsFollowTheSelectedRow) {
  writeAlertLog({"Medium,2024/03/15 09:00:00,Allow,UDP,Incoming,10.0.0.5:53,0,0,Repeat Program,0,0,2",
                 alertText(2)});
  load();
  openViewer();
  ASSERT_EQ(page->lvwAlerts->topLevelItemCount(), 2);
  QTreeWidgetItem* older = page->lvwAlerts->topLevelItem(1);
  EXPECT_EQ(older->text(5), "");
  EXPECT_EQ(older->text(6), "");
  page->lvwAlerts->setCurrentItem(older);
  EXPECT_EQ(page->rtSiteListDetails->toPlainText().toStdString(),
            "Type:\t\tRepeat Program\nDirection:\t\tIncoming\nSource IP:\t10.0.0.5:53\nDest IP:\t\t\n"
            "Protocol IP:\tUDP\nCount:\t\t2\nDate:\t\t2024/03/15 09:00:00\nProgram:\t\t");
  // The Up key moves back to the newest row, and its details.
  key(page->lvwAlerts, Qt::Key_Up);
  EXPECT_NE(page->rtSiteListDetails->toPlainText().toStdString().find("prog2"), std::string::npos);
}

TEST_F(AlertsPage, DateTimeSortsOldestFirstEveryTimeAndProgramToggles) {
  writeAlertLog({alertText(3), alertText(1), "High,2024/03/15 14/03/2024 23:00:00,Deny,TCP,Outgoing,a,b,Beta,x,1,2,1",
                 alertText(2)});
  load();
  openViewer();
  ASSERT_EQ(column(6), (std::vector<std::string>{"prog2", "Beta", "prog1", "prog3"}));
  clickHeader(0);
  EXPECT_EQ(column(6), (std::vector<std::string>{"Beta", "prog1", "prog2", "prog3"}));
  clickHeader(0);
  EXPECT_EQ(column(6), (std::vector<std::string>{"Beta", "prog1", "prog2", "prog3"}));
  clickHeader(6);
  EXPECT_EQ(column(6), (std::vector<std::string>{"Beta", "prog1", "prog2", "prog3"}));
  clickHeader(6);
  EXPECT_EQ(column(6), (std::vector<std::string>{"prog3", "prog2", "prog1", "Beta"}));
  clickHeader(4);  // another column sorts ascending
  EXPECT_EQ(column(4), (std::vector<std::string>{"10.0.0.1:1025", "10.0.0.1:1025", "10.0.0.1:1025", "a"}));
}

TEST_F(AlertsPage, RefreshReadsAlertsAddedSince) {
  writeAlerts(1, 2);
  load();
  openViewer();
  ASSERT_EQ(page->lvwAlerts->topLevelItemCount(), 2);
  writeAlerts(1, 5);
  page->cmdRefreshLog->click();
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 5);
  EXPECT_EQ(column(6).front(), "prog5");
}

TEST_F(AlertsPage, ClearEmptiesTheAlertLogAndDisablesItself) {
  writeAlerts(1, 4);
  writeText("logs/Alertlog.txt", "plain\r\n");
  load();
  openViewer();
  answers = {platform::vbNo};
  page->cmdClearLog->click();
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 4);
  answers = {platform::vbYes};
  page->cmdClearLog->click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt, "Do you want to clear log?");
  EXPECT_EQ(messages[1].buttons, platform::vbYesNo + platform::vbQuestion);
  EXPECT_EQ(messages[1].title, "Morvantis");
  EXPECT_EQ(readText("Profiles/qtrLogs.MVL"), "");
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 0);
  EXPECT_FALSE(page->cmdClearLog->isEnabled());
  EXPECT_EQ(page->rtSiteListDetails->toPlainText(), "");
  EXPECT_EQ(readText("logs/Alertlog.txt"), "plain\r\n");
}

TEST_F(AlertsPage, ClearRefusedAtTheLoginAsksNothingAndKeepsTheLog) {
  writeAlerts(1, 2);
  strPassword = "pw";
  load();
  openViewer();
  auto login = onLogin("");
  page->cmdClearLog->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 2);
}

// ---------------------------------------------------------------------------
// The count box and its arrows.

TEST_F(AlertsPage, TheCountBoxTurnsZeroIntoOneAndTooManyIntoTheMost) {
  writeAlerts(1, 5);
  load();
  openViewer();
  page->txtMaxAlertsShows->setText("0");
  EXPECT_EQ(count(), "1");
  EXPECT_EQ(stored("LastAlerts"), "1");
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 1);
  page->txtMaxAlertsShows->setText("12345");
  EXPECT_EQ(count(), "9999");
  EXPECT_EQ(stored("LastAlerts"), "9999");
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 5);
  EXPECT_EQ(label(page->lbLogviewerFooter).substr(0, 40), "The log list is displayed last 9999 logs");
}

TEST_F(AlertsPage, OnlyDigitsCanBeTypedInTheCountBox) {
  writeAlerts(1, 5);
  load();
  openViewer();
  page->txtMaxAlertsShows->selectAll();
  type("a3x");
  EXPECT_EQ(count(), "3");
  EXPECT_EQ(stored("LastAlerts"), "3");
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 3);
  key(page->txtMaxAlertsShows, Qt::Key_Backspace, "\b");
  EXPECT_EQ(count(), "1");  // an empty box counts one
}

TEST_F(AlertsPage, ACountRefusedAtTheLoginIsPutBackAndNotStored) {
  writeAlerts(1, 5);
  strPassword = "pw";
  load();
  auto login = onLogin("");
  page->txtMaxAlertsShows->setText("2");
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(count(), "50");
  EXPECT_EQ(stored("LastAlerts"), "50");
  key(page->Up_Down_MaxAlerts, Qt::Key_Up);
  EXPECT_EQ(login->opened, 2);
  EXPECT_EQ(count(), "50");
}

TEST_F(AlertsPage, TheArrowsCountOneUpOrDownAndStopAtOne) {
  writeAlerts(1, 5);
  store("LastAlerts", "2");
  load();
  openViewer();
  key(page->Up_Down_MaxAlerts, Qt::Key_Up);
  EXPECT_EQ(count(), "3");
  EXPECT_EQ(stored("LastAlerts"), "3");
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 3);
  key(page->Up_Down_MaxAlerts, Qt::Key_Down);
  key(page->Up_Down_MaxAlerts, Qt::Key_Down);
  EXPECT_EQ(count(), "1");
  key(page->Up_Down_MaxAlerts, Qt::Key_Down);
  EXPECT_EQ(count(), "1");
  EXPECT_EQ(page->lvwAlerts->topLevelItemCount(), 1);
  page->txtMaxAlertsShows->setText("9999");
  key(page->Up_Down_MaxAlerts, Qt::Key_Up);
  EXPECT_EQ(count(), "9999");
}

// ---------------------------------------------------------------------------
// Advance, and the ways to the page.

TEST_F(AlertsPage, AdvanceOpensTheDialogBehindTheLogin) {
  strPassword = "pw";
  load();
  int opened = 0;
  ModalDriver dialog([] { return AdvanceAlertsLogsIfLoaded(); }, [&] {
    ++opened;
    AdvanceAlertsLogsIfLoaded()->cmdProgramOptionCancel->click();
  });
  {
    auto refused = onLogin("");
    page->cmdAdvance->click();
    EXPECT_EQ(refused->opened, 1);
    EXPECT_EQ(opened, 0);
  }
  auto login = onLogin("pw");
  page->cmdAdvance->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(dialog.leftOpen, 0);
  EXPECT_EQ(AdvanceAlertsLogsIfLoaded(), nullptr);
}

TEST_F(AlertsPage, TheToolbarButtonAndTheFileMenuShowThePage) {
  MDIMain* main = MDIMainForm();
  ASSERT_NE(main, nullptr);
  main->ToolbarButton("AlertLog")->trigger();
  frmAlertsAndLogs* shown = AlertsPageIfLoaded();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(main->ActivePage(), shown);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(main->StatusPanel4->text(), "Alerts & Logs");
  main->findChild<QAction*>("mnuSettings")->trigger();
  EXPECT_FALSE(shown->isVisible());
  main->findChild<QAction*>("mnuAlertsLogs")->trigger();
  EXPECT_EQ(main->ActivePage(), shown);
  EXPECT_TRUE(shown->isVisible());
  UnloadMDIMain();
  EXPECT_EQ(AlertsPageIfLoaded(), nullptr);
}

}  // namespace
}  // namespace mvtest
