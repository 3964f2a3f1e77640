#pragma once
// The custom security settings editor: the rows of the Medium and the High
// level of the Trusted zone (tab 0) and the Internet zone (tab 1), ticked and
// given port lists, stored by Apply and OK.
#include <QDialog>
#include <array>
#include <cstdint>
#include <vector>

#include "zones/mdlCustomSettings.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace mv {

class frmCustomFirewallSettings : public QDialog {
  Q_OBJECT
 public:
  explicit frmCustomFirewallSettings(QWidget* parent = nullptr);

  // Handlers.
  void TabCustomSettings_Click(int previousTab);
  void List_Click(CustomList list);
  void List_ItemCheck(CustomList list, QTreeWidgetItem* item);
  void txtPorts_Change();
  // False when the key is to be discarded.
  bool txtPorts_KeyPress(int keyAscii);
  void cmdApply_Click();
  void cmdOk_Click();
  void cmdCancel_Click();
  void cmdResetDefaults_Click();

  // The list of the editor by its number (1 to 4).
  QTreeWidget* ListOf(CustomList list) const;
  // True while the list has changes still to be stored.
  bool Changed(CustomList list) const;

  QTabWidget* TabCustomSettings;
  QGroupBox* fraTrustedZone;
  QGroupBox* fratrusted;
  QGroupBox* fraInternet;
  QGroupBox* fraInternetZone;
  QTreeWidget* lvwHighTrustedZone;
  QTreeWidget* lvwMediumTrustedZone;
  QTreeWidget* lvwHighInternetZone;
  QTreeWidget* lvwMediumInternetZone;
  QGroupBox* fraAddPort;
  QLineEdit* txtPorts;
  QLabel* sknlblEnterPorts1;
  QLabel* sknlblEnterPorts2;
  QLabel* sknlblPorts;
  QLabel* sknlblTrusted;
  QLabel* sknlblInternet;
  QPushButton* cmdApply;
  QPushButton* cmdOk;
  QPushButton* cmdCancel;
  QPushButton* cmdResetDefaults;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void Form_Load();
  void setValues();
  void showPortBox(bool shown);
  // A list's selection changed: the other list of its tab loses its
  // selection, so a tab has one selected row, and the port box follows.
  void List_SelectionChanged(CustomList list);
  // Gives the port box to the selected row of the tab shown: that row's
  // ports when it is a port row, otherwise an empty, disabled, hidden box.
  // Nothing is marked as changed.
  void followSelection();
  // The list's rows as plain rows, and back.
  std::vector<CustomRow> rowsOf(CustomList list) const;
  void putRows(CustomList list, const std::vector<CustomRow>& rows);
  // Stores the changed lists; true when everything was stored.
  bool saveChanges();
  // True when another program changed the settings since the rows were
  // shown: the rows are shown from the files again (those the user changed
  // stay as set), the user is told, and nothing is stored.
  bool overtaken();

  int intSelectedRow = -1;
  int bytCurrentList = 0;
  int intInternetTab = 0;
  std::array<bool, 5> changed_{};  // by list number
  std::uint64_t seen_ = 0;         // the settings' mark when the rows were shown
  bool updating_ = false;          // rows being set by the editor itself
};

}  // namespace mv
