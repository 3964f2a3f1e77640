#pragma once
// The defaults for new programs: the four rights every program added from
// now on receives, and the global program options.
#include <QDialog>
#include <array>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace mv {

class frmAdvanceProgram : public QDialog {
  Q_OBJECT
 public:
  explicit frmAdvanceProgram(QWidget* parent = nullptr);
  ~frmAdvanceProgram() override;

  // An option of a group (0 allow, 1 deny, 2 ask) was selected: the other
  // groups follow so that the rights stay in order; Apply becomes usable.
  void optAccessTrusted_Click(int index);
  void optAccessInternet_Click(int index);
  void optServerTrusted_Click(int index);
  void optServerInternet_Click(int index);
  void chkDenyOnAsk_Click();
  void chkRequiredAdminRites_Click();
  void chkShowInternetAccess_Click();
  // Saves when there is something to save.
  void cmdProgramOptionApply_Click();
  void cmdProgramOptionOk_Click();
  void cmdProgramOptionCancel_Click();

  QTabWidget* TabProgramOption = nullptr;
  QLabel* lbAccessPermisionHeader = nullptr;
  QLabel* lbAccessPermissionFooter = nullptr;
  // Each group: option 0 "Always allow access", 1 "Always deny access",
  // 2 "Always ask for permission"; the index is the right's stored code.
  std::array<QRadioButton*, 3> optAccessTrusted{};
  std::array<QRadioButton*, 3> optAccessInternet{};
  std::array<QRadioButton*, 3> optServerTrusted{};
  std::array<QRadioButton*, 3> optServerInternet{};
  QLabel* lbAlertsFunctionalHeader = nullptr;
  QCheckBox* chkRequiredAdminRites = nullptr;
  QCheckBox* chkDenyOnAsk = nullptr;
  QCheckBox* chkShowInternetAccess = nullptr;
  QLabel* lbAlertsFooter = nullptr;
  QPushButton* cmdProgramOptionOk = nullptr;
  QPushButton* cmdProgramOptionApply = nullptr;
  QPushButton* cmdProgramOptionCancel = nullptr;

 private:
  void buildControls();
  void Form_Load();
  void SetLabels();
  void setValues();
  // Stores the dialog into the file and memory; false (told, nothing
  // changed) when the file could not be written.
  bool saveValues();
  // Group 0-3 (AccessTrusted, AccessInternet, ServerTrusted, ServerInternet).
  void optionClick(int group, int index);
  std::array<QRadioButton*, 3>& group(int g);
  // The selected option of the group, -1 when none is.
  int selected(int g);
  // The seven values the dialog shows, in the order they are stored:
  // ShowAlertOnInternetAccess, DenyAccessOnAsk, RequiredAdminRites (1 or 0),
  // then the four default rights' codes.
  std::array<std::uint8_t, 7> shownValues();

  bool loaded_ = false;
  // What the file holds as far as this dialog knows: the values shown at
  // load, then the values last stored. Only a value that differs is stored.
  std::array<std::uint8_t, 7> stored_{};
};

// The open dialog, or null.
frmAdvanceProgram* AdvanceProgramFormIfLoaded();

}  // namespace mv
