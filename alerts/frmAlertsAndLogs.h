#pragma once
// The "Alerts & Logs" page: three On/Off switches (alert pop-ups, alerts
// written to the logs, the firewall's own logging) behind the login gate, and
// a viewer of the newest alerts of qtrLogs.MVL with their details, Clear,
// Refresh and the advanced settings.
#include <QAbstractSpinBox>
#include <initializer_list>
#include <string>
#include <utility>

#include "core/FormSupport.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;
class QTreeWidget;

namespace mv {

// An up-down control: two arrows and no value of its own. Each arrow (or the
// Up and Down keys) reports a click; the text box beside it keeps the value.
class UpDownControl : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit UpDownControl(QWidget* parent = nullptr);
  void stepBy(int steps) override;

 signals:
  void UpClick();
  void DownClick();

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

// True when the event is a key press that types something other than a
// digit or Backspace: it beeps, and the caller drops the key.
bool DropNonDigitKey(QEvent* event);
// A text with CR LF line ends, as a label or text box shows it.
QString LabelText(const std::string& crlfText);
// A tab strip with a page for each (name, caption), at a fixed place.
QTabWidget* NewTabStrip(QWidget* parent, const std::string& name, const QRect& at,
                        std::initializer_list<std::pair<const char*, const char*>> tabs);
// Puts a text box, with its up-down control beside it, into the blank gap of
// a caption, just after the caption's text `before`.
void PlaceInCaptionGap(QWidget* caption, const QString& before, QWidget* box, QWidget* arrows);

class frmAlertsAndLogs : public Page {
  Q_OBJECT
 public:
  explicit frmAlertsAndLogs(QWidget* parent = nullptr);
  ~frmAlertsAndLogs() override;

  // Lists the newest alerts of qtrLogs.MVL, newest first, and sets the
  // footers; the first row's details are shown.
  void LoadLogListView();

  // Handlers of the controls.
  void optAlertEvent_Click(bool on);
  void optLog_Click(bool on);
  void OptEventLog_Click(bool on);
  void TabPrivacy_Click(int previousTab);
  void lvwAlerts_Click();
  void lvwAlerts_ColumnClick(int column);
  void txtMaxAlertsShows_Change();
  void Up_Down_MaxAlerts_UpClick();
  void Up_Down_MaxAlerts_DownClick();
  void cmdClearLog_Click();
  void cmdRefreshLog_Click();
  void cmdAdvance_Click();

  QTabWidget* TabPrivacy;
  QGroupBox* fraAlertEvents;
  QRadioButton* optAlertEventOn;
  QRadioButton* optAlertEventOff;
  QLabel* lblAlertHeader;
  QLabel* lblAlertDesc1;
  QGroupBox* fraProgramLogging;
  QRadioButton* optLogOn;
  QRadioButton* optLogOff;
  QLabel* lblProgramLogHeader;
  QLabel* lblProgramLogDesc1;
  QGroupBox* fraEventLogs;
  QRadioButton* OptEventLogOn;
  QRadioButton* OptEventLogOff;
  QLabel* lblEventLogsHeader;
  QLabel* lblEventLogsDesc1;
  QLabel* lbAlertsMainFooter;
  QTreeWidget* lvwAlerts;
  QGroupBox* fraSiteListDetails;
  QTextEdit* rtSiteListDetails;
  QLabel* lbMaxAlertLimit;
  QLineEdit* txtMaxAlertsShows;
  UpDownControl* Up_Down_MaxAlerts;
  QLabel* lbLogviewerFooter;
  QPushButton* cmdClearLog;
  QPushButton* cmdRefreshLog;
  QPushButton* cmdAdvance;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildSwitchesTab(QWidget* tab);
  void buildViewerTab(QWidget* tab);
  void Form_Load();
  void setAlertsSetting();
  void setFooters();
  // One switch, named `routine` for the error log: true when the change
  // stands (and `keep` has taken the new value). While the page loads it
  // stands at once; a refused login or a failed write puts both buttons back
  // to the stored value.
  bool saveSwitch(const char* routine, const std::string& key, bool on, bool stored, QRadioButton* onButton,
                  QRadioButton* offButton, void (*keep)(bool on));
  bool saveAlertEvent(bool on);
  bool saveLog(bool on);
  bool saveEvent(bool on);
  void ShowAlertEventDesc(bool on);
  void ShowProgramLogDesc(bool on);
  void ShowEventLogDesc(bool on);
  void SetToolTips();
  // Sets the count box's text without running its change handler.
  void setCountText(const std::string& text);

  bool blnPageLoaded = false;
  bool changingCount_ = false;
  std::string countText_;  // the count as it was last stored
  int sortKey_ = 0;        // the column the list was last sorted by
  bool sortAscending_ = true;
  bool textSorted_ = false;  // the last sort was by text, not by date
  int shownTab_ = 0;
};

// The page when it is loaded, else null.
frmAlertsAndLogs* AlertsPageIfLoaded();

}  // namespace mv
