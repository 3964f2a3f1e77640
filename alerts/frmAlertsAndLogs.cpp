#include "alerts/frmAlertsAndLogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include "alerts/frmAdvanceAlertsLogs.h"
#include "alerts/mdlAlertLogList.h"
#include "alerts/mdlAlertLogSettings.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "core/VBRuntime.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ListView.h"
#include "platform/Paths.h"
#include "platform/QtText.h"

namespace mv {

// ---------------------------------------------------------------------------
// The up-down control and the digits-only key filter.

UpDownControl::UpDownControl(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  // The arrows alone: the text box beside the control shows the value.
  lineEdit()->setReadOnly(true);
  lineEdit()->setFocusPolicy(Qt::NoFocus);
}

void UpDownControl::stepBy(int steps) {
  for (; steps > 0; --steps) emit UpClick();
  for (; steps < 0; ++steps) emit DownClick();
}

bool DropNonDigitKey(QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const QString text = key->text();
  if (text.isEmpty() || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return false;
  const QChar c = text.at(0);
  if ((c >= '0' && c <= '9') || c == '\b' || c == QChar(0x7f)) return false;
  QApplication::beep();
  return true;
}

QString LabelText(const std::string& crlfText) {
  return platform::toQString(crlfText).replace("\r\n", "\n");
}

QTabWidget* NewTabStrip(QWidget* parent, const std::string& name, const QRect& at,
                        std::initializer_list<std::pair<const char*, const char*>> tabs) {
  QTabWidget* strip = NewTabControl(parent, name, at);
  for (const auto& [tabName, caption] : tabs) NewTab(strip, tabName, caption);
  return strip;
}

void PlaceInCaptionGap(QWidget* caption, const QString& before, QWidget* box, QWidget* arrows) {
  const QFontMetrics metrics(caption->font());
  QString text;
  if (auto* button = qobject_cast<QAbstractButton*>(caption)) text = button->text();
  else if (auto* label = qobject_cast<QLabel*>(caption)) text = label->text();
  // The blanks after `before` are the gap.
  int blanks = 0;
  while (before.size() + blanks < text.size() && text.at(before.size() + blanks) == ' ') ++blanks;
  int textLeft = 0;
  if (auto* check = qobject_cast<QCheckBox*>(caption)) {
    QStyleOptionButton option;
    option.initFrom(check);
    textLeft = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).x() + 1;
  }
  const int left = caption->x() + textLeft + metrics.horizontalAdvance(before) + 1;
  const int gap = metrics.horizontalAdvance(QString(blanks, ' ')) - 2;
  const int arrowsWidth = 16;
  box->setGeometry(left, caption->y() + (caption->height() - 22) / 2, std::max(gap - arrowsWidth, 28), 22);
  arrows->setGeometry(box->x() + box->width(), box->y(), arrowsWidth, box->height());
}

namespace {

const char* const kForm = " of frmAlertsAndLogs";
const char* const kFormOf = " of Form frmAlertsAndLogs";
const std::string CountCaption = "View last                       Alerts.";

// A row of the alert list; the text columns sort without regard to case.
class AlertItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
  }
};

// The Date/Time comparison of two rows, found by their item parameters: an
// unreadable date counts as 0, before every real one.
long CompareAlertDates(std::intptr_t lParam1, std::intptr_t lParam2, platform::ListViewHandle list) {
  auto dateOf = [list](std::intptr_t lParam) {
    double serial = 0;
    const std::string text = platform::listViewItemText(list, platform::listViewFindItem(list, lParam), 32);
    return AlertDateSerial(text, serial) ? serial : 0.0;
  };
  const double a = dateOf(lParam1), b = dateOf(lParam2);
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

// ---------------------------------------------------------------------------
// The page.

frmAlertsAndLogs::frmAlertsAndLogs(QWidget* parent) : Page(parent) {
  setObjectName("frmAlertsAndLogs");
  FormInstance<frmAlertsAndLogs>() = this;
  buildControls();
  Form_Load();
}

frmAlertsAndLogs::~frmAlertsAndLogs() = default;

void frmAlertsAndLogs::buildControls() {
  resize(560, 420);
  TabPrivacy = NewTabStrip(this, "TabPrivacy", {8, 8, 544, 404},
                           {{"tabAlertsSettings", "Alerts && Logs"}, {"tabLogViewer", "Log Viewer"}});
  buildSwitchesTab(TabPrivacy->widget(0));
  buildViewerTab(TabPrivacy->widget(1));

  TagByName({optAlertEventOn, optAlertEventOff, optLogOn, optLogOff, OptEventLogOn, OptEventLogOff, lvwAlerts,
             txtMaxAlertsShows, Up_Down_MaxAlerts, cmdClearLog, cmdRefreshLog, cmdAdvance});

  connect(TabPrivacy, &QTabWidget::currentChanged, this, [this](int index) {
    const int previous = shownTab_;
    shownTab_ = index;
    TabPrivacy_Click(previous);
  });
  auto onChecked = [this](QRadioButton* option, void (frmAlertsAndLogs::*handler)(bool), bool on) {
    connect(option, &QRadioButton::toggled, this, [this, handler, on](bool checked) {
      if (checked) (this->*handler)(on);
    });
  };
  onChecked(optAlertEventOn, &frmAlertsAndLogs::optAlertEvent_Click, true);
  onChecked(optAlertEventOff, &frmAlertsAndLogs::optAlertEvent_Click, false);
  onChecked(optLogOn, &frmAlertsAndLogs::optLog_Click, true);
  onChecked(optLogOff, &frmAlertsAndLogs::optLog_Click, false);
  onChecked(OptEventLogOn, &frmAlertsAndLogs::OptEventLog_Click, true);
  onChecked(OptEventLogOff, &frmAlertsAndLogs::OptEventLog_Click, false);
  connect(lvwAlerts, &QTreeWidget::itemClicked, this, [this] { lvwAlerts_Click(); });
  // The arrow and paging keys move the current row.
  connect(lvwAlerts, &QTreeWidget::currentItemChanged, this, [this] { lvwAlerts_Click(); });
  connect(lvwAlerts->header(), &QHeaderView::sectionClicked, this, &frmAlertsAndLogs::lvwAlerts_ColumnClick);
  connect(txtMaxAlertsShows, &QLineEdit::textChanged, this, [this] { txtMaxAlertsShows_Change(); });
  txtMaxAlertsShows->installEventFilter(this);
  connect(Up_Down_MaxAlerts, &UpDownControl::UpClick, this, &frmAlertsAndLogs::Up_Down_MaxAlerts_UpClick);
  connect(Up_Down_MaxAlerts, &UpDownControl::DownClick, this, &frmAlertsAndLogs::Up_Down_MaxAlerts_DownClick);
  connect(cmdClearLog, &QPushButton::clicked, this, &frmAlertsAndLogs::cmdClearLog_Click);
  connect(cmdRefreshLog, &QPushButton::clicked, this, &frmAlertsAndLogs::cmdRefreshLog_Click);
  connect(cmdAdvance, &QPushButton::clicked, this, &frmAlertsAndLogs::cmdAdvance_Click);
}

void frmAlertsAndLogs::buildSwitchesTab(QWidget* tab) {
  // One frame per switch: the two buttons, and the state with its meaning.
  struct Switch {
    QGroupBox*& frame;
    QRadioButton*& on;
    QRadioButton*& off;
    QLabel*& header;
    QLabel*& description;
  };
  auto build = [tab](Switch s, const char* frame, const char* caption, const char* on, const char* off,
                     const char* header, const char* description, int top) {
    s.frame = NewFrame(tab, frame, caption, {8, top, 520, 78});
    s.on = NewOption(s.frame, on, "On", {16, 22, 90, 22});
    s.off = NewOption(s.frame, off, "Off", {16, 48, 90, 22});
    s.header = NewLabel(s.frame, header, "", {124, 24, 44, 20});
    s.description = NewLabel(s.frame, description, "", {170, 24, 340, 40});
    QFont bold = s.header->font();
    bold.setBold(true);
    s.header->setFont(bold);
    LevelWithCaption(s.header, s.description);
  };
  build({fraAlertEvents, optAlertEventOn, optAlertEventOff, lblAlertHeader, lblAlertDesc1}, "fraAlertEvents",
        "Alert Event Show", "optAlertEventOn", "optAlertEventOff", "lblAlertHeader", "lblAlertDesc1", 8);
  build({fraProgramLogging, optLogOn, optLogOff, lblProgramLogHeader, lblProgramLogDesc1}, "fraProgramLogging",
        "Log Control", "optLogOn", "optLogOff", "lblProgramLogHeader", "lblProgramLogDesc1", 92);
  build({fraEventLogs, OptEventLogOn, OptEventLogOff, lblEventLogsHeader, lblEventLogsDesc1}, "fraEventLogs",
        "Firewall Logs", "OptEventLogOn", "OptEventLogOff", "lblEventLogsHeader", "lblEventLogsDesc1", 176);
  lbAlertsMainFooter = NewLabel(tab, "lbAlertsMainFooter", "", {8, 264, 520, 100});
  lbAlertsMainFooter->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void frmAlertsAndLogs::buildViewerTab(QWidget* tab) {
  lvwAlerts = new QTreeWidget(tab);
  lvwAlerts->setObjectName("lvwAlerts");
  lvwAlerts->setGeometry(8, 36, 520, 112);
  lvwAlerts->setRootIsDecorated(false);
  lvwAlerts->setUniformRowHeights(true);
  lvwAlerts->setAllColumnsShowFocus(true);
  lvwAlerts->setSelectionMode(QAbstractItemView::SingleSelection);
  QStringList headers;
  for (const auto& h : AlertListHeaders()) headers << platform::toQString(h);
  lvwAlerts->setHeaderLabels(headers);
  lvwAlerts->header()->setSectionsClickable(true);
  lvwAlerts->header()->setSectionsMovable(false);
  lvwAlerts->header()->setSortIndicatorShown(false);
  const int widths[] = {206, 56, 70, 72, 120, 120, 160, 110, 48};
  for (int i = 0; i < static_cast<int>(AlertListColumns); ++i) lvwAlerts->setColumnWidth(i, widths[i]);

  fraSiteListDetails = NewFrame(tab, "fraSiteListDetails", "Entry Details", {8, 152, 326, 150});
  rtSiteListDetails = new QTextEdit(fraSiteListDetails);
  rtSiteListDetails->setObjectName("rtSiteListDetails");
  rtSiteListDetails->setGeometry(8, 20, 310, 122);
  rtSiteListDetails->setReadOnly(true);

  // The count row is not scaled with the page: at the top left, the scaled
  // controls move away from it as the page grows.
  lbMaxAlertLimit = NewLabel(tab, "lbMaxAlertLimit", CountCaption, {8, 6, 200, 24});
  lbMaxAlertLimit->setWordWrap(false);
  txtMaxAlertsShows = new QLineEdit(tab);
  txtMaxAlertsShows->setObjectName("txtMaxAlertsShows");
  txtMaxAlertsShows->setMaxLength(5);
  txtMaxAlertsShows->setAlignment(Qt::AlignRight);
  Up_Down_MaxAlerts = new UpDownControl(tab);
  Up_Down_MaxAlerts->setObjectName("Up_Down_MaxAlerts");
  PlaceInCaptionGap(lbMaxAlertLimit, "View last ", txtMaxAlertsShows, Up_Down_MaxAlerts);

  cmdClearLog = NewButton(tab, "cmdClearLog", "&Clear", {344, 172, 88, 28});
  cmdRefreshLog = NewButton(tab, "cmdRefreshLog", "&Refresh", {440, 172, 88, 28});
  cmdAdvance = NewButton(tab, "cmdAdvance", "&Advance", {440, 274, 88, 28});
  // Room for the footer's lines, the log file's path among them, at the
  // window's smallest size.
  lbLogviewerFooter = NewLabel(tab, "lbLogviewerFooter", "", {8, 306, 520, 70});
  lbLogviewerFooter->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void frmAlertsAndLogs::Form_Load() {
  ErrorBoundary("Form_Load of frmAlertsAndLogs", [&] {
    hide();
    blnPageLoaded = false;
    setAlertsSetting();
    SetToolTips();
    blnPageLoaded = true;
  });
}

void frmAlertsAndLogs::setAlertsSetting() {
  ErrorBoundary(std::string("setAlertsSetting") + kForm, [&] {
    optAlertEventOn->setChecked(AlertEvent != 0);
    optAlertEventOff->setChecked(AlertEvent == 0);
    ShowAlertEventDesc(AlertEvent != 0);
    optLogOn->setChecked(ProgramLog != 0);
    optLogOff->setChecked(ProgramLog == 0);
    ShowProgramLogDesc(ProgramLog != 0);
    OptEventLogOn->setChecked(AlertOn);
    OptEventLogOff->setChecked(!AlertOn);
    ShowEventLogDesc(AlertOn);
    // Written back through the change handler, within its range.
    txtMaxAlertsShows->setText(platform::toQString(Str(Val(ReadAlertSetting(AlertKeys::LastAlerts)))));
    setFooters();
  });
}

void frmAlertsAndLogs::setFooters() {
  lbAlertsMainFooter->setText(LabelText(AlertsMainFooterText()));
  lbLogviewerFooter->setText(
      LabelText(LogViewerFooterText(TextOf(txtMaxAlertsShows), platform::resolvePath(strLogPath))));
}

void frmAlertsAndLogs::SetToolTips() { LoadToolTipText(this, "Alerts & Logs"); }

// ---------------------------------------------------------------------------
// The switches.

void frmAlertsAndLogs::ShowAlertEventDesc(bool on) {
  lblAlertHeader->setText(on ? "On :" : "Off :");
  lblAlertDesc1->setText(on ? "Show all alerts." : "Do not show any alert.");
}

void frmAlertsAndLogs::ShowProgramLogDesc(bool on) {
  lblProgramLogHeader->setText(on ? "On :" : "Off :");
  lblProgramLogDesc1->setText(on ? "Add all alerts to log." : "Do not add any alert to log.");
}

void frmAlertsAndLogs::ShowEventLogDesc(bool on) {
  if (!on) OptEventLogOff->setChecked(true);
  lblEventLogsHeader->setText(on ? "On :" : "Off :");
  lblEventLogsDesc1->setText(on ? "Firewall log is Enabled." : "Firewall log is Disabled.");
}

bool frmAlertsAndLogs::saveSwitch(const char* routine, const std::string& key, bool on, bool stored,
                                  QRadioButton* onButton, QRadioButton* offButton, void (*keep)(bool on)) {
  return ErrorBoundary(routine + std::string(kForm), false, [&] {
    if (!blnPageLoaded) return true;
    auto putBack = [&] {
      blnPageLoaded = false;
      onButton->setChecked(stored);
      offButton->setChecked(!stored);
      blnPageLoaded = true;
    };
    if (!CheckLogin()) {
      putBack();
      return false;
    }
    if (!WriteAlertSetting(key, on ? "1" : "0")) {
      // The buttons show what is stored, so nothing seems saved that is not.
      putBack();
      TellNotSaved("The setting", strAlertsSettingFile);
      return false;
    }
    keep(on);
    return true;
  });
}

bool frmAlertsAndLogs::saveAlertEvent(bool on) {
  return saveSwitch("saveAlertEvent", AlertKeys::AlertEvent, on, AlertEvent != 0, optAlertEventOn, optAlertEventOff,
                    [](bool v) { AlertEvent = v ? 1 : 0; });
}

bool frmAlertsAndLogs::saveLog(bool on) {
  return saveSwitch("saveLog", AlertKeys::ProgramLog, on, ProgramLog != 0, optLogOn, optLogOff,
                    [](bool v) { ProgramLog = v ? 1 : 0; });
}

bool frmAlertsAndLogs::saveEvent(bool on) {
  return saveSwitch("saveEvent", AlertKeys::AlertOn, on, AlertOn, OptEventLogOn, OptEventLogOff,
                    [](bool v) { AlertOn = v; });
}

void frmAlertsAndLogs::optAlertEvent_Click(bool on) {
  if (saveAlertEvent(on)) ShowAlertEventDesc(on);
}

void frmAlertsAndLogs::optLog_Click(bool on) {
  if (saveLog(on)) ShowProgramLogDesc(on);
}

void frmAlertsAndLogs::OptEventLog_Click(bool on) {
  if (saveEvent(on)) ShowEventLogDesc(on);
}

// ---------------------------------------------------------------------------
// The log viewer.

void frmAlertsAndLogs::TabPrivacy_Click(int previousTab) {
  if (previousTab == 0) LoadLogListView();
}

void frmAlertsAndLogs::LoadLogListView() {
  ErrorBoundary(std::string("LoadLogListView") + kFormOf, [&] {
    setFooters();
    lvwAlerts->clear();
    rtSiteListDetails->clear();
    cmdClearLog->setEnabled(false);
    if (!platform::fileExists(strQTRLogFile)) return;
    const long count = static_cast<long>(Val(TextOf(txtMaxAlertsShows)));
    QList<QTreeWidgetItem*> items;
    for (const AlertRow& row : ReadNewestAlerts(strQTRLogFile, count)) {
      QStringList cells;
      for (const auto& cell : row) cells << platform::toQString(cell);
      items << new AlertItem(cells);
    }
    lvwAlerts->addTopLevelItems(items);
    // A list sorted by a text column stays sorted, as its rows come in.
    if (textSorted_) lvwAlerts->sortItems(sortKey_, sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (items.isEmpty()) return;
    lvwAlerts->setCurrentItem(lvwAlerts->topLevelItem(0));
    lvwAlerts_Click();
    cmdClearLog->setEnabled(true);
  });
}

void frmAlertsAndLogs::lvwAlerts_Click() {
  ErrorBoundary(std::string("lvwAlerts_Click") + kForm, [&] {
    QTreeWidgetItem* item = lvwAlerts->currentItem();
    if (!item) return;
    AlertRow row;
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = platform::fromQString(item->text(static_cast<int>(i)));
    ShowTabbedDetails(rtSiteListDetails, AlertDetailsText(row));
  });
}

void frmAlertsAndLogs::lvwAlerts_ColumnClick(int column) {
  ErrorBoundary(std::string("lvwAlerts_ColumnClick") + kForm, [&] {
    if (column == 0) {
      // Dates do not sort as text: the oldest first, every time.
      textSorted_ = false;
      lvwAlerts->header()->setSortIndicatorShown(false);
      platform::listViewSortItems(lvwAlerts, CompareAlertDates);
      return;
    }
    sortAscending_ = sortKey_ == column ? !sortAscending_ : true;
    sortKey_ = column;
    textSorted_ = true;
    lvwAlerts->header()->setSortIndicatorShown(true);
    lvwAlerts->sortItems(column, sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
  });
}

void frmAlertsAndLogs::setCountText(const std::string& text) {
  changingCount_ = true;
  txtMaxAlertsShows->setText(platform::toQString(text));
  changingCount_ = false;
}

void frmAlertsAndLogs::txtMaxAlertsShows_Change() {
  if (changingCount_) return;
  ErrorBoundary("txtMaxAlertsShows_Change of frmAlertsAndLogs", [&] {
    if (blnPageLoaded && !CheckLogin()) {
      // Refused: the box shows the stored count again.
      setCountText(countText_);
      return;
    }
    const std::string text = ClampedNumberText(TextOf(txtMaxAlertsShows), 1, 9999);
    if (!WriteAlertSetting(AlertKeys::LastAlerts, text) && blnPageLoaded) {
      // The box shows the stored count again.
      setCountText(countText_);
      TellNotSaved("The setting", strAlertsSettingFile);
      return;
    }
    if (text != TextOf(txtMaxAlertsShows)) setCountText(text);
    if (blnPageLoaded) LoadLogListView();
    countText_ = text;
  });
}

void frmAlertsAndLogs::Up_Down_MaxAlerts_UpClick() {
  if (blnPageLoaded && !CheckLogin()) return;
  const long value = static_cast<long>(Val(TextOf(txtMaxAlertsShows)));
  txtMaxAlertsShows->setText(QString::number(value + 1));
}

void frmAlertsAndLogs::Up_Down_MaxAlerts_DownClick() {
  if (blnPageLoaded && !CheckLogin()) return;
  const long value = static_cast<long>(Val(TextOf(txtMaxAlertsShows)));
  if (value != 1) txtMaxAlertsShows->setText(QString::number(value - 1));
}

void frmAlertsAndLogs::cmdClearLog_Click() {
  ErrorBoundary(std::string("cmdClearLog_Click") + kFormOf, [&] {
    if (!CheckLogin()) return;
    if (platform::MsgBox("Do you want to clear log?", platform::vbYesNo + platform::vbQuestion, AppTitle) !=
        platform::vbYes)
      return;
    if (!platform::writeFileAtomic(strQTRLogFile, std::string()))
      platform::MsgBox("The alert log " + platform::resolvePath(strQTRLogFile) + " could not be cleared.",
                       platform::vbCritical, AppTitle);
    LoadLogListView();
  });
}

void frmAlertsAndLogs::cmdRefreshLog_Click() { LoadLogListView(); }

void frmAlertsAndLogs::cmdAdvance_Click() {
  if (blnPageLoaded && !CheckLogin()) return;
  frmAdvanceAlertsLogs dialog(window());
  dialog.exec();
}

bool frmAlertsAndLogs::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtMaxAlertsShows && DropNonDigitKey(event)) return true;
  return Page::eventFilter(watched, event);
}

frmAlertsAndLogs* AlertsPageIfLoaded() { return LoadedForm<frmAlertsAndLogs>(); }

}  // namespace mv
