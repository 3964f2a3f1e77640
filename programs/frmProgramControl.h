#pragma once
// The program-control page: the program-control level and the automatic
// lock ("Main"), every program with its four rights and its lock
// ("Programs"), and every component with its right ("Component"). Rights
// change cell by cell through the main window's pop-up menus, whose items the
// page connects to its public procedures while it is loaded.
#include <QPoint>
#include <array>
#include <cstdint>
#include <string>

#include "core/FormSupport.h"
#include "programs/mdlProgramControlLists.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace mv {

class frmProgramControl : public Page {
  Q_OBJECT
 public:
  explicit frmProgramControl(QWidget* parent = nullptr);
  ~frmProgramControl() override;

  // --- Public procedures (the main window's menus call them).
  // Removes the selected programs after the login gate and a question.
  void cmdRemove_Click();
  // The options of the selected program, after the login gate.
  void cmdProgramControlProgramOption_Click();
  // Adds a program chosen in the open dialog, after the login gate.
  void cmdProgramControlProgramAdd_Click();
  // Sets one right (column 2-5: value 1 Allow, 2 Block, 3 Ask) or the lock
  // (column 6: 1 Normal, 2 PassLock) of the selected program, keeps its
  // rights in order and stores it.
  void ChangeProgramZone(std::uint8_t column, std::uint8_t value);
  // Sets the right of the selected component (column 3: 1 Allow, 3 Ask) and
  // stores it.
  void ChangeComponentZone(std::uint8_t column, std::uint8_t value);
  // Marks the program's row (by its lower-cased path) as running or not.
  void ShowProgramActive(const std::string& key, bool active);
  // The file properties of the selected program or component, the folder of
  // the selected component, and the removal of the selected components.
  void mnuProgramProperties_Click();
  void mnuComponentOpen_Click();
  void mnuComponentRemove_Click();
  void mnuComponentProperties_Click();

  // --- Event handlers.
  void lvwPrograms_Click();
  void lvwComponents_Click();
  void lvwPrograms_ColumnClick(int column);
  void lvwComponents_ColumnClick(int column);
  void lvwPrograms_MouseUp(Qt::MouseButton button, const QPoint& at);
  void lvwComponents_MouseUp(Qt::MouseButton button, const QPoint& at);
  void cmdComponentRemove_Click();
  void sldProgramControlSecurity_Change();
  void chkComponentControl_Click();
  void OptProgramControlOn_Click();
  void OptProgramControlOff_Click();
  void cmdProgramControlAdvance_Click();
  void cmdProgramLockCustom_Click();

  // The pop-up menu the page showed last (null before the first).
  QMenu* LastPopup() const { return lastPopup_; }

  QTabWidget* TabProgramControl = nullptr;
  // "Main"
  QGroupBox* fraProgramControlSecurity = nullptr;
  QSlider* sldProgramControlSecurity = nullptr;
  QLabel* lbProgramOff = nullptr;
  QLabel* lbProgramLow = nullptr;
  QLabel* lbProgramMed = nullptr;
  QLabel* lbProgramHigh = nullptr;
  QLabel* lblProgramControlSelected = nullptr;
  QLabel* lblProgramControlDescription = nullptr;
  QLabel* lblProgramControlNote = nullptr;
  QCheckBox* chkComponentControl = nullptr;
  QPushButton* cmdProgramControlAdvance = nullptr;
  QGroupBox* Frame2 = nullptr;
  QRadioButton* OptProgramControlOff = nullptr;
  QRadioButton* OptProgramControlOn = nullptr;
  QLabel* lblProgramLockSelected = nullptr;
  QLabel* lblProgramLockDescription = nullptr;
  QPushButton* cmdProgramLockCustom = nullptr;
  QLabel* lbProgramMainFooter = nullptr;
  // "Programs"
  QTreeWidget* lvwPrograms = nullptr;
  QLabel* lblAccess = nullptr;
  QLabel* lblServer = nullptr;
  QPushButton* cmdProgramControlProgramAdd = nullptr;
  QPushButton* cmdProgramControlProgramOption = nullptr;
  QPushButton* cmdRemove = nullptr;
  QGroupBox* fraProgramDetails = nullptr;
  QTextEdit* rtProgramListDetails = nullptr;
  QLabel* lbProgramFooter = nullptr;
  QLabel* pic16 = nullptr;
  QLabel* defaultIcon = nullptr;
  // "Component"
  QTreeWidget* lvwComponents = nullptr;
  QPushButton* cmdComponentRemove = nullptr;
  QGroupBox* fraComponentDetails = nullptr;
  QTextEdit* rtComponentDetails = nullptr;
  QLabel* lbComponentFooter = nullptr;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void connectMenus();
  void Form_Load();
  void LoadAll();
  void LoadProgramMainSetting();
  void ShowControlLevelText(std::uint8_t level);
  void ShowLockText(bool on);
  void ArrangeRightsLabels();
  void LoadProgramList();
  void LoadComponentList();
  // Stores the cell `clicked` of the selected row (0-3 the rights, 4 the
  // lock) and the cells that differ from `before` (the row before the click).
  void saveProgramList(const std::array<std::string, 5>& before, int clicked);
  // The programs and components read again from the files and shown, with
  // `why` told.
  void ShowProgramsAgain(const std::string& why);
  void ChangeDefaultProgramZone(std::uint8_t column, std::uint8_t value);
  void cmdComponentApply_Click();
  void AddProgram(const std::string& source);
  void AddProgramFromFile();
  // The login gate of the "Main" tab: asked only once the page has loaded.
  bool gate() const;
  // Writes a key of [Main] in ProgramMain.MVL.
  static bool writeMain(const std::string& key, const std::string& value);
  // The automatic lock switched on or off, after the login gate.
  void setAutomaticLock(bool on);
  // Selects one of the two lock options without handling it as a click.
  void selectLockOption(bool on);
  void popup(QMenu* menu, QTreeWidget* list, const QPoint& at);
  static void sortByColumn(QTreeWidget* list, int column, int& sortKey, bool& descending);

  ProgramControlPageControls controls_;
  bool blnLoaded = false;
  bool blnSliderReady = false;
  bool handleComponentControl_ = true;  // off while the check box is put back
  bool handleLockOptions_ = true;       // off while an option is put back
  std::string strOpenFolder_;  // folder of the last file chosen, with its separator
  int programSortKey_ = 0;
  bool programSortDescending_ = false;
  int componentSortKey_ = 0;
  bool componentSortDescending_ = false;
  QMenu* lastPopup_ = nullptr;
};

// The program-control page when it is loaded, else null.
frmProgramControl* ProgramControlPageIfLoaded();

}  // namespace mv
