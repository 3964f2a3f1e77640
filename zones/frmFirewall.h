#pragma once
// The zones page: the tab control with the "Main" tab (security levels) and
// the "Zones" tab, which lists every zone entry with its details, opens the
// entry dialogs to add or edit an entry, and removes entries.
#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/FormSupport.h"
#include "zones/mdlCommon.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidgetItem;

namespace mv {

class ZoneEntryDialog;

class frmFirewall : public Page {
  Q_OBJECT
 public:
  explicit frmFirewall(QWidget* parent = nullptr);
  ~frmFirewall() override;

  // Empties the entry list and fills it from the zone tables: the detected
  // networks first, then host names, IP ranges, IP addresses and subnets.
  void FillListView();
  // Copies the selected entry into the detail labels; without a selected
  // entry they stay as they are.
  void UpdateEntryDetails();

  // The row the list has selected, as it shows it; nothing when none is.
  std::optional<ZoneListRow> SelectedRow() const;
  // The mark of the settings taken when the list was last filled
  // (SettingsView.h).
  std::uint64_t SettingsSeen() const { return seen_; }
  // Shows the files again, as they are now (the levels and the list), then
  // tells the user why.
  void ShowFilesAgain(const std::string& message);

  // The commands of the main window's Add menu: each opens its dialog in
  // Add mode and afterwards enables Edit and Remove when the list holds an
  // entry.
  void mnuPopupHostSite_Click();
  void mnuPopupIPAddress_Click();
  void mnuPopupIPRange_Click();
  void mnuPopupSubnet_Click();

  // What the entry dialogs change on the page after a save: a new row, and
  // the selected row's name, address text and zone.
  void AddEntryRow(const ZoneListRow& row);
  void UpdateSelectedEntry(const std::string& name, const std::string& address, const std::string& zoneName);

  // Handlers.
  void cmdAdd_Click();
  void cmdEdit_Click();
  void cmdRemove_Click();
  void lvwZones_Click();
  void lvwZones_DblClick();
  void lvwZones_KeyUp(int keyCode);
  void lvwZones_ColumnClick(int column);
  // The "Main" tab: a level chosen for a zone (1 Low, 2 Medium, 3 High), and
  // the custom settings of each zone.
  void optInternetZone_Click(int index);
  void optTrustedZone_Click(int index);
  void cmdInternetCustom_Click();
  void cmdTrustedCustom_Click();

  QTabWidget* TabFireWall;
  QLabel* lbFirewallMainFooter;
  QGroupBox* fraInternetZoneSecurity;
  std::array<QRadioButton*, 4> optInternetZone{};  // by level, 1 to 3
  QLabel* lblInternetSelected;
  QLabel* lblInternetDescription;
  QPushButton* cmdInternetCustom;
  QGroupBox* fraTrustedZoneSecurity;
  std::array<QRadioButton*, 4> optTrustedZone{};  // by level, 1 to 3
  QLabel* lblTrustedSelected;
  QLabel* lblTrustedDescription;
  QPushButton* cmdTrustedCustom;
  QTreeWidget* lvwZones;
  QGroupBox* fraEntryDetails;
  QLabel* lblZoneNameInfo;
  QLabel* lblZoneInfo;
  QLabel* lblEntryTypeInfo;
  QLabel* lblIPAddressSiteInfo;
  QPushButton* cmdAdd;
  QPushButton* cmdEdit;
  QPushButton* cmdRemove;
  QLabel* lbFirewallZonesFooter;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void buildControls();
  void buildMainTab(QWidget* tab);
  // Stores a changed level, then shows its texts and keeps it; false (told,
  // nothing changed) when it could not be stored.
  bool showLevel(long zone, int level);
  // True when another program changed the settings since the page showed
  // them: the page shows them again and tells the user, and the chosen level
  // is not stored.
  bool levelOvertaken();
  // Selects the zone's option of the level without the login gate.
  void reselect(std::array<QRadioButton*, 4>& options, int level);
  void openCustomSettings(int tab);
  void connectMenu();
  void Form_Load();
  void SetToolTips();
  void ClearEntryDetails();
  QTreeWidgetItem* selectedItem() const;
  // Opens an entry dialog in Add mode, as the Add menu's commands do.
  template <class Dialog>
  void openForAdd();
  // Keeps the list in its sort order after a row was added or changed.
  void resort();
  // The columns share the list's width.
  void fitColumns();

  bool blnLoaded = false;
  std::uint64_t seen_ = 0;
  bool sorted_ = false;
  int sortKey_ = 0;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace mv
