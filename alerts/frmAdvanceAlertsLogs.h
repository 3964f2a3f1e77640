#pragma once
// The advanced alert and log settings: where the plain alert log lives, how
// its columns are separated, whether and how often it is archived; viewing
// and deleting it.
#include <QDialog>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace mv {

class UpDownControl;

class frmAdvanceAlertsLogs : public QDialog {
  Q_OBJECT
 public:
  explicit frmAdvanceAlertsLogs(QWidget* parent = nullptr);
  ~frmAdvanceAlertsLogs() override;

  void TabPrivacyCustom_Click(int tab);
  void cmdCheckAll_Click();
  void cmdClearAll_Click();
  void chkAlertsDays_Click();
  void txtAlertsDays_Change();
  void Up_Down_AlertsDays_UpClick();
  void Up_Down_AlertsDays_DownClick();
  void cmdBrowse_Click();
  void cmdDeleteLog_Click();
  void cmdViewLog_Click();
  void cmdLogDefault_Click();
  void cmdProgramOptionOk_Click();
  void cmdProgramOptionCancel_Click();
  void cmdProgramOptionApply_Click();

  QTabWidget* TabPrivacyCustom;
  QGroupBox* fraLogControl;
  QTreeWidget* lvwAlertsAndLogs;
  QPushButton* cmdCheckAll;
  QPushButton* cmdClearAll;
  QPushButton* cmdDefault;
  QGroupBox* fraLogFrequency;
  QCheckBox* chkAlertsDays;
  QLineEdit* txtAlertsDays;
  UpDownControl* Up_Down_AlertsDays;
  QLabel* lbArchiveDirectory;
  QGroupBox* fraLogPath;
  QLabel* lblLogFilePath;
  QLineEdit* txtLogPath;
  QLabel* Label1;
  QLabel* lbFileSize;
  QPushButton* cmdBrowse;
  QPushButton* cmdDeleteLog;
  QPushButton* cmdViewLog;
  QGroupBox* fraMobileCodeControl;
  QLabel* sknlblAdVoidControl;
  QRadioButton* OptCommaSaperated;
  QRadioButton* optTabSaperated;
  QRadioButton* optSemicolonSaperated;
  QPushButton* cmdLogDefault;
  QPushButton* cmdProgramOptionOk;
  QPushButton* cmdProgramOptionCancel;
  QPushButton* cmdProgramOptionApply;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildEventsTab(QWidget* tab);
  void buildLogTab(QWidget* tab);
  void Form_Load();
  void InitAlertSettingNames();
  void SetAlertSettings();
  // True when the settings were stored.
  bool SaveAlertSettings();
  std::string SaveAnyFile(const std::string& filter);
  void EnableApply();
  void SetToolTips();
  void showFileSize(const std::string& path);
  void showLogPath(const std::string& path);
  // A left mouse-up on the per-event list at this x toggles a cell.
  void lvwAlertsAndLogs_MouseUp(int x);

  std::string strLogPathOld;  // the log file in use: moved from when the path changes
  std::string strLogPathNew;  // the log file chosen, as stored; the path box shows it natively
  bool changingDays_ = false;
  // The separator option chosen: 1 comma, 2 Tab, 3 semicolon, 0 none.
  int shownSeparation() const;
  // What the file holds as far as this dialog knows: the settings shown at
  // load, then the ones last stored. Only a setting that differs is stored.
  bool storedArchive_ = false;
  std::string storedDays_;
  int storedSeparation_ = 0;
};

// The dialog while it is open, else null.
frmAdvanceAlertsLogs* AdvanceAlertsLogsIfLoaded();

}  // namespace mv
