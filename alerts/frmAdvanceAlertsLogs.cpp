#include "alerts/frmAdvanceAlertsLogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "alerts/frmAlertsAndLogs.h"
#include "alerts/mdlAlertLogSettings.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "platform/Shell.h"

namespace mv {
namespace {

const char* const kFormOf = " of Form frmAdvanceAlertsLogs";
const char* const kForm = " of frmAdvanceAlertsLogs";
const std::string DaysCaption = "Archive alerts every                days.";
const std::string LogFilter = "Text File (*.txt)|*.txt;|All Files (*.*)|*.*";

// The folder part of a path (without its last separator) and the name after it.
std::pair<std::string, std::string> splitPath(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  if (cut == std::string::npos) return {std::string(), path};
  return {path.substr(0, cut), path.substr(cut + 1)};
}

}  // namespace

frmAdvanceAlertsLogs::frmAdvanceAlertsLogs(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmAdvanceAlertsLogs", "Advance Alerts & Log Settings", {480, 404});
  FormInstance<frmAdvanceAlertsLogs>() = this;
  buildControls();
  Form_Load();
}

frmAdvanceAlertsLogs::~frmAdvanceAlertsLogs() = default;

void frmAdvanceAlertsLogs::buildControls() {
  TabPrivacyCustom = NewTabStrip(this, "TabPrivacyCustom", {8, 8, 464, 348},
                                 {{"tabAlertEvents", "Alert Events"}, {"tabLogSettings", "Log Settings"}});
  TabPrivacyCustom->setCurrentIndex(1);
  buildEventsTab(TabPrivacyCustom->widget(0));
  buildLogTab(TabPrivacyCustom->widget(1));

  cmdProgramOptionOk = NewButton(this, "cmdProgramOptionOk", "&OK", {216, 366, 80, 28});
  cmdProgramOptionCancel = NewButton(this, "cmdProgramOptionCancel", "&Cancel", {304, 366, 80, 28});
  cmdProgramOptionApply = NewButton(this, "cmdProgramOptionApply", "&Apply", {392, 366, 80, 28});
  cmdProgramOptionOk->setDefault(true);

  TagByName({chkAlertsDays, txtAlertsDays, Up_Down_AlertsDays, txtLogPath, cmdBrowse, cmdDeleteLog, cmdViewLog,
             OptCommaSaperated, optTabSaperated, optSemicolonSaperated, cmdLogDefault, cmdCheckAll, cmdClearAll,
             cmdProgramOptionOk, cmdProgramOptionCancel, cmdProgramOptionApply});

  connect(TabPrivacyCustom, &QTabWidget::currentChanged, this, &frmAdvanceAlertsLogs::TabPrivacyCustom_Click);
  connect(cmdCheckAll, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdCheckAll_Click);
  connect(cmdClearAll, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdClearAll_Click);
  lvwAlertsAndLogs->viewport()->installEventFilter(this);
  connect(chkAlertsDays, &QCheckBox::toggled, this, &frmAdvanceAlertsLogs::chkAlertsDays_Click);
  connect(txtAlertsDays, &QLineEdit::textChanged, this, &frmAdvanceAlertsLogs::txtAlertsDays_Change);
  txtAlertsDays->installEventFilter(this);
  connect(Up_Down_AlertsDays, &UpDownControl::UpClick, this, &frmAdvanceAlertsLogs::Up_Down_AlertsDays_UpClick);
  connect(Up_Down_AlertsDays, &UpDownControl::DownClick, this, &frmAdvanceAlertsLogs::Up_Down_AlertsDays_DownClick);
  connect(cmdBrowse, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdBrowse_Click);
  connect(cmdDeleteLog, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdDeleteLog_Click);
  connect(cmdViewLog, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdViewLog_Click);
  for (QRadioButton* option : {OptCommaSaperated, optTabSaperated, optSemicolonSaperated})
    connect(option, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked) EnableApply();
    });
  connect(cmdLogDefault, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdLogDefault_Click);
  connect(cmdProgramOptionOk, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdProgramOptionOk_Click);
  connect(cmdProgramOptionCancel, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdProgramOptionCancel_Click);
  connect(cmdProgramOptionApply, &QPushButton::clicked, this, &frmAdvanceAlertsLogs::cmdProgramOptionApply_Click);
}

void frmAdvanceAlertsLogs::buildEventsTab(QWidget* tab) {
  fraLogControl = NewFrame(tab, "fraLogControl", "Alert Events", {8, 8, 440, 300});
  lvwAlertsAndLogs = new QTreeWidget(fraLogControl);
  lvwAlertsAndLogs->setObjectName("lvwAlertsAndLogs");
  lvwAlertsAndLogs->setGeometry(10, 22, 420, 230);
  lvwAlertsAndLogs->setRootIsDecorated(false);
  lvwAlertsAndLogs->setAllColumnsShowFocus(true);
  lvwAlertsAndLogs->setHeaderLabels({"Events", "Alerts", "Logs"});
  lvwAlertsAndLogs->setColumnWidth(0, 260);
  lvwAlertsAndLogs->setColumnWidth(1, 70);
  lvwAlertsAndLogs->setColumnWidth(2, 70);
  cmdCheckAll = NewButton(fraLogControl, "cmdCheckAll", "C&heck All", {10, 262, 96, 28});
  cmdClearAll = NewButton(fraLogControl, "cmdClearAll", "C&lear All", {114, 262, 96, 28});
  cmdDefault = NewButton(fraLogControl, "cmdDefault", "Default", {334, 262, 96, 28});
}

void frmAdvanceAlertsLogs::buildLogTab(QWidget* tab) {
  fraLogFrequency = NewFrame(tab, "fraLogFrequency", "Log Frequency", {8, 8, 440, 76});
  chkAlertsDays = NewCheckBox(fraLogFrequency, "chkAlertsDays", DaysCaption, {12, 22, 300, 24});
  txtAlertsDays = new QLineEdit(fraLogFrequency);
  txtAlertsDays->setObjectName("txtAlertsDays");
  txtAlertsDays->setMaxLength(5);
  txtAlertsDays->setAlignment(Qt::AlignRight);
  Up_Down_AlertsDays = new UpDownControl(fraLogFrequency);
  Up_Down_AlertsDays->setObjectName("Up_Down_AlertsDays");
  PlaceInCaptionGap(chkAlertsDays, "Archive alerts every ", txtAlertsDays, Up_Down_AlertsDays);
  lbArchiveDirectory = NewLabel(fraLogFrequency, "lbArchiveDirectory", "", {12, 50, 420, 20});
  lbArchiveDirectory->setWordWrap(false);

  fraLogPath = NewFrame(tab, "fraLogPath", "Log File && Location", {8, 90, 440, 110});
  lblLogFilePath = NewLabel(fraLogPath, "lblLogFilePath", "Save To :", {12, 26, 64, 20});
  txtLogPath = NewTextBox(fraLogPath, "txtLogPath", {80, 24, 348, 24});
  // The log moves only through Browse, which says where it goes.
  txtLogPath->setReadOnly(true);
  Label1 = NewLabel(fraLogPath, "Label1", "File Size :", {12, 56, 64, 20});
  lbFileSize = NewLabel(fraLogPath, "lbFileSize", "", {80, 56, 160, 20});
  cmdBrowse = NewButton(fraLogPath, "cmdBrowse", "&Browse", {164, 74, 84, 28});
  cmdDeleteLog = NewButton(fraLogPath, "cmdDeleteLog", "&Delete", {254, 74, 84, 28});
  cmdViewLog = NewButton(fraLogPath, "cmdViewLog", "&View", {344, 74, 84, 28});

  fraMobileCodeControl = NewFrame(tab, "fraMobileCodeControl", "Archived Log Appearance", {8, 206, 440, 70});
  sknlblAdVoidControl = NewLabel(fraMobileCodeControl, "sknlblAdVoidControl", "Separate the log file.", {12, 20, 300, 20});
  OptCommaSaperated = NewOption(fraMobileCodeControl, "OptCommaSaperated", "Comma", {12, 42, 100, 22});
  optTabSaperated = NewOption(fraMobileCodeControl, "optTabSaperated", "Tab", {130, 42, 100, 22});
  optSemicolonSaperated = NewOption(fraMobileCodeControl, "optSemicolonSaperated", "Semicolon", {248, 42, 110, 22});

  cmdLogDefault = NewButton(tab, "cmdLogDefault", "&Default", {356, 284, 92, 28});
}

void frmAdvanceAlertsLogs::Form_Load() {
  InitAlertSettingNames();
  SetAlertSettings();
  // The folder the archives go to.
  lbArchiveDirectory->setText(
      platform::toQString("Archive File Path - " + platform::resolvePath(ArchiveFolder() + "\\")));
  SetToolTips();
  cmdProgramOptionApply->setEnabled(false);
}

void frmAdvanceAlertsLogs::InitAlertSettingNames() {
  strAlertsSettingFile = AppPath() + "\\Profiles\\" + "AlertsAndLogSetting.MVL";
}

void frmAdvanceAlertsLogs::SetToolTips() { LoadToolTipText(this, "Alerts & Logs - Advance"); }

void frmAdvanceAlertsLogs::showFileSize(const std::string& path) {
  getFileProperty(path);
  lbFileSize->setText(platform::toQString(tblFileInfo.SizeText));
}

// The chosen log file: kept as stored, shown natively with its size.
void frmAdvanceAlertsLogs::showLogPath(const std::string& path) {
  strLogPathNew = path;
  txtLogPath->setText(platform::toQString(platform::resolvePath(path)));
  showFileSize(path);
}

void frmAdvanceAlertsLogs::SetAlertSettings() {
  ErrorBoundary(std::string("SetAlertSettings") + kFormOf, [&] {
    const bool archive = AlertDay == 1;
    chkAlertsDays->setChecked(archive);
    txtAlertsDays->setEnabled(archive);
    Up_Down_AlertsDays->setEnabled(archive);
    // The stored period: a change made here shows, though archiving keeps
    // the period it started with until the next start.
    const std::string stored = ReadAlertSetting(AlertKeys::AlertDays);
    txtAlertsDays->setText(platform::toQString(Trim(stored).empty() ? Str(AlertDays) : Str(Val(stored))));
    showLogPath(strLogPath);
    strLogPathOld = strLogPath;
    const double separation = Val(ReadAlertSetting(AlertKeys::LogSeparation));
    if (separation == 1) OptCommaSaperated->setChecked(true);
    else if (separation == 2) optTabSaperated->setChecked(true);
    else if (separation == 3) optSemicolonSaperated->setChecked(true);
  });
  storedArchive_ = chkAlertsDays->isChecked();
  storedDays_ = TextOf(txtAlertsDays);
  storedSeparation_ = shownSeparation();
}

bool frmAdvanceAlertsLogs::SaveAlertSettings() {
  return ErrorBoundary(std::string("SaveAlertSettings") + kFormOf, false, [&] {
    // Only what the user changed is stored: a setting the dialog merely
    // shows may have been changed in the file by another program since.
    AlertLogSettings settings;
    const bool archive = chkAlertsDays->isChecked();
    const std::string days = TextOf(txtAlertsDays);
    const int separation = shownSeparation();
    if (archive != storedArchive_) settings.archive = archive;
    if (days != storedDays_) settings.days = days;
    settings.path = strLogPathNew;
    if (separation != storedSeparation_) settings.separation = separation;
    const AlertLogSave saved = SaveAlertLogSettings(settings, strLogPathOld);
    if (!saved.written) {
      // Nothing changed, the log included: the dialog stays open as typed.
      // The message names the file that could not be written.
      TellNotSaved("The settings", LastFailedWriteFile());
      return false;
    }
    if (saved.pathChanged) {
      if (saved.move == LogMove::Failed) {
        platform::MsgBox("The log file could not be moved to " + platform::resolvePath(settings.path) +
                             ".\r\nAlerts are still written to " + platform::resolvePath(strLogPathOld) + ".",
                         platform::vbExclamation, AppTitle);
        showLogPath(strLogPathOld);
      } else {
        strLogPathOld = strLogPath;
      }
      if (frmAlertsAndLogs* page = AlertsPageIfLoaded()) page->LoadLogListView();
    }
    storedArchive_ = archive;
    storedDays_ = days;
    storedSeparation_ = separation;
    return true;
  });
}

int frmAdvanceAlertsLogs::shownSeparation() const {
  return OptCommaSaperated->isChecked() ? 1 : optTabSaperated->isChecked() ? 2 : optSemicolonSaperated->isChecked() ? 3 : 0;
}

void frmAdvanceAlertsLogs::EnableApply() { cmdProgramOptionApply->setEnabled(true); }

void frmAdvanceAlertsLogs::TabPrivacyCustom_Click(int tab) {
  if (tab == 0) platform::MsgBox("Alert event is not implemented yet.", platform::vbInformation, AppTitle);
}

void frmAdvanceAlertsLogs::cmdCheckAll_Click() {
  for (int i = 0; i < lvwAlertsAndLogs->topLevelItemCount(); ++i) {
    lvwAlertsAndLogs->topLevelItem(i)->setText(1, "Yes");
    lvwAlertsAndLogs->topLevelItem(i)->setText(2, "Yes");
  }
}

void frmAdvanceAlertsLogs::cmdClearAll_Click() {
  for (int i = 0; i < lvwAlertsAndLogs->topLevelItemCount(); ++i) {
    lvwAlertsAndLogs->topLevelItem(i)->setText(1, "No");
    lvwAlertsAndLogs->topLevelItem(i)->setText(2, "No");
  }
}

void frmAdvanceAlertsLogs::lvwAlertsAndLogs_MouseUp(int x) {
  ErrorBoundary(std::string("lvwAlertsAndLogs_MouseUp") + kFormOf, [&] {
    QTreeWidgetItem* item = lvwAlertsAndLogs->currentItem();
    if (!item || !item->isSelected()) return;
    const int first = lvwAlertsAndLogs->columnWidth(0);
    const int second = first + lvwAlertsAndLogs->columnWidth(1);
    if (x < first) return;
    const int cell = x < second ? 1 : 2;
    item->setText(cell, item->text(cell) == "Yes" ? "No" : "Yes");
  });
}

void frmAdvanceAlertsLogs::chkAlertsDays_Click() {
  ErrorBoundary(std::string("chkAlertsDays_Click") + kForm, [&] {
    const bool on = chkAlertsDays->isChecked();
    txtAlertsDays->setEnabled(on);
    Up_Down_AlertsDays->setEnabled(on);
    EnableApply();
  });
}

void frmAdvanceAlertsLogs::txtAlertsDays_Change() {
  if (changingDays_) return;
  const std::string text = ClampedNumberText(TextOf(txtAlertsDays), 1, 9999);
  if (text != TextOf(txtAlertsDays)) {
    changingDays_ = true;
    txtAlertsDays->setText(platform::toQString(text));
    changingDays_ = false;
  }
  EnableApply();
}

void frmAdvanceAlertsLogs::Up_Down_AlertsDays_UpClick() {
  const long value = static_cast<long>(Val(TextOf(txtAlertsDays)));
  if (value < 9999) txtAlertsDays->setText(QString::number(value + 1));
}

void frmAdvanceAlertsLogs::Up_Down_AlertsDays_DownClick() {
  const long value = static_cast<long>(Val(TextOf(txtAlertsDays)));
  if (value != 1) txtAlertsDays->setText(QString::number(value - 1));
}

std::string frmAdvanceAlertsLogs::SaveAnyFile(const std::string& filter) {
  return ErrorBoundary(std::string("SaveAnyFile") + kForm, std::string("NIL"), [&] {
    const std::string current = strLogPathNew;
    const auto [folder, name] = splitPath(current);
    platform::FileDialogOptions options;
    options.DialogTitle = "Save log File";
    options.Filter = filter;
    options.InitDir = folder;
    options.FileName = name;
    // A cancelled dialog leaves the name it was given.
    const auto chosen = platform::ShowSave(options);
    const std::string result = chosen ? chosen->FileName : current;
    return result.empty() ? std::string("NIL") : result;
  });
}

void frmAdvanceAlertsLogs::cmdBrowse_Click() {
  ErrorBoundary(std::string("cmdBrowse_Click") + kForm, [&] {
    const std::string chosen = SaveAnyFile(LogFilter);
    if (chosen == "NIL") return;
    showLogPath(chosen);
    EnableApply();
  });
}

void frmAdvanceAlertsLogs::cmdDeleteLog_Click() {
  if (platform::MsgBox("Are you sure you want to delete all logs?", platform::vbYesNo + platform::vbQuestion,
                       AppTitle) != platform::vbYes)
    return;
  if (DeleteAnyFile(strLogPathNew)) lbFileSize->setText("0 Bytes");
}

void frmAdvanceAlertsLogs::cmdViewLog_Click() {
  // The viewer may fail after the dialog has closed: the message keeps only
  // the path it names.
  auto tell = [shown = platform::resolvePath(strLogPathNew)] {
    platform::MsgBox("No text viewer could be started for " + shown + ".", platform::vbExclamation, AppTitle);
  };
  if (!platform::openTextViewer(strLogPathNew, tell)) tell();
}

void frmAdvanceAlertsLogs::cmdLogDefault_Click() {
  txtAlertsDays->setText("2");
  chkAlertsDays->setChecked(true);
  OptCommaSaperated->setChecked(true);
  EnableApply();
}

void frmAdvanceAlertsLogs::cmdProgramOptionApply_Click() {
  if (!cmdProgramOptionApply->isEnabled()) return;
  if (SaveAlertSettings()) cmdProgramOptionApply->setEnabled(false);
}

void frmAdvanceAlertsLogs::cmdProgramOptionOk_Click() {
  cmdProgramOptionApply_Click();
  // Settings that could not be stored keep the dialog open.
  if (!cmdProgramOptionApply->isEnabled()) accept();
}

void frmAdvanceAlertsLogs::cmdProgramOptionCancel_Click() { reject(); }

bool frmAdvanceAlertsLogs::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtAlertsDays && DropNonDigitKey(event)) return true;
  if (watched == lvwAlertsAndLogs->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) lvwAlertsAndLogs_MouseUp(static_cast<int>(mouse->position().x()));
  }
  return QDialog::eventFilter(watched, event);
}

frmAdvanceAlertsLogs* AdvanceAlertsLogsIfLoaded() { return LoadedForm<frmAdvanceAlertsLogs>(); }

}  // namespace mv
