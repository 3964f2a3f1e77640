#pragma once
// The lock settings: when the automatic Internet lock engages (after idle
// minutes or with the screen saver) and whether PassLock programs keep their
// access while it is on.
#include <QDialog>
#include <string>

class QAbstractSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace mv {

class frmProgramCustom : public QDialog {
  Q_OBJECT
 public:
  explicit frmProgramCustom(QWidget* parent = nullptr);
  ~frmProgramCustom() override;

  void cmdOk_Click();
  void cmdCancel_Click();
  void optLockTimeMode_Click();
  void optLockScreenSaver_Click();
  // Keeps the minutes between 1 and 999.
  void txtlockInterval_Change();
  void Up_Down_minute_DownClick();
  void Up_Down_minute_UpClick();

  QTabWidget* tabAutoLock = nullptr;
  QRadioButton* optLockTimeMode = nullptr;
  QLineEdit* txtlockInterval = nullptr;
  QAbstractSpinBox* Up_Down_minute = nullptr;
  QLabel* Label1 = nullptr;
  QRadioButton* optLockScreenSaver = nullptr;
  // Shown while the screen-saver mode is chosen and no screen saver answers.
  QLabel* lblScreenSaverMissing = nullptr;
  QRadioButton* optBlockInternet = nullptr;
  QRadioButton* optAllowLockProgram = nullptr;
  QLabel* lbAccessPermissionFooter = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void setValues();
  // Stores the controls into the file and memory; false (told, nothing
  // changed) when the file could not be written.
  bool SaveValue();

  // What the file holds as far as this dialog knows (the settings shown at
  // load): only a setting that differs from it is stored.
  bool shownTimeMode_ = false;
  std::string shownInterval_;
  bool shownEngages_ = false;
};

// The open dialog, or null.
frmProgramCustom* ProgramCustomFormIfLoaded();

}  // namespace mv
