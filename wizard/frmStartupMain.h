#pragma once
// The wizard window: one page at a time beside the banner, with Back, Next
// and Cancel below. Welcome (1), alerts (3), password (4), programs (5), the
// user's own program list (6) and the finish page (9), whose Next writes the
// first configuration and ends the program.
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "wizard/mdlMain.h"
#include "wizard/mdlProgramControl.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace mv::wizard {

class frmStartupMain : public QWidget {
  Q_OBJECT
 public:
  frmStartupMain();
  ~frmStartupMain() override;

  // Captions, the first page, the window shown, then the login prompt; a
  // refused login ends the program.
  void Form_Load();

  void cmdNext_Click();
  void cmdBack_Click();
  void cmdCancel_Click();
  // Shows page n (1, 3, 4, 5, 6 or 9) and makes it the current page.
  void ShowPage(int n);
  // True when the two password boxes agree and the password can be stored.
  bool ValidatePassword();

  void optAlertAlltime_Click();
  void optAlertDoNot_Click();

  // The program list of page 6.
  void cmdAdd_Click();
  void LoadCurrentProgramList(const std::string& path);
  void cmdRemove_Click();
  void lvwPrograms_MouseUp(Qt::MouseButton button, const QPoint& pos);
  void lvwPrograms_ColumnClick(int column);
  void Menu_Click(RightsMenuItem item);

  // The choices made so far, as finishing writes them.
  WizardChoices Choices() const;

  int CurrentPage = 1;
  int AlertChoice = 1;
  std::string NewPassword;
  int ProgramChoice = 1;

 protected:
  // Any closing but the end of the program asks first.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Enter that no control takes for itself presses Next, on every page.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QFrame* newPage(int n);
  void placePageFrame(QFrame* frame);
  void HideAllPages();
  void InitPage(int n);
  // Puts the keyboard focus where page n wants it.
  void focusPage(int n);
  void TranslateControls(const std::string& section);
  void ShowDefaultPrograms();
  QTreeWidgetItem* selectedProgram() const;
  std::vector<std::string> listedNames() const;

  std::map<int, QFrame*> pages_;
  QLabel* imgBanner_ = nullptr;
  QPushButton* cmdNext_ = nullptr;
  QPushButton* cmdBack_ = nullptr;
  QLineEdit* txtPassword_ = nullptr;
  QLineEdit* txtConfirmPass_ = nullptr;
  QRadioButton* optAllowProgram_ = nullptr;
  QRadioButton* optNoProgramAdd_ = nullptr;
  QTreeWidget* lvwPrograms_ = nullptr;
  QLabel* pic16_ = nullptr;
  QLabel* defaultIcon_ = nullptr;
  QMenu* mnuAccess_ = nullptr;
  QMenu* mnuServer_ = nullptr;
  std::map<std::string, QPixmap> ProgramImgList16_;  // program icons by path
  std::string strOpenFolder_;                         // folder of the last file added, with its separator
  std::vector<WizardProgram> defaults_;               // what page 5 names
  std::vector<QLabel*> defaultLabels_;                // lbAutoProgram1, Label1, Label2
  std::vector<QLabel*> defaultPictures_;              // picProg1 .. picProg3
  int sortColumn_ = -1;
  bool ascending_ = true;
  bool ending_ = false;
};

// The wizard's start: paths, the password store, then the window. Returns
// false when the program was ended before any window opened.
bool Main();

}  // namespace mv::wizard
