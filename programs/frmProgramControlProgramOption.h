#pragma once
// The options of one program: how it may reach the network (all ports, only
// the checked ports, all but the checked ports), the server ports it offers
// (presets and custom ports or ranges), ICMP and IGMP. Apply and OK store
// them in the program's section; the next Apply of the main window writes
// them into the rules.
#include <QDialog>
#include <string>
#include <vector>

#include "programs/mdlProgramOptions.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace mv {

class frmProgramControlProgramOption : public QDialog {
  Q_OBJECT
 public:
  // The dialog for the program of colProgramList under `key` (its
  // lower-cased path).
  explicit frmProgramControlProgramOption(const std::string& key, QWidget* parent = nullptr);
  ~frmProgramControlProgramOption() override;

  // The server commands of the "Add >>" menu: each appends its presets,
  // checked, unless they are listed already.
  void mnuCustom_Click();
  void mnuDhcpServers_Click();
  void mnuDNSServers_Click();
  void mnuFtpServers_Click();
  void mnuMailServers_Click();
  void mnuNewsServers_Click();
  void mnuwebServers_Click();

  // Appends an entry to the port list (the custom port dialog's OK).
  void AddPortEntry(const PortEntry& entry);
  // The keys of the listed entries, in list order.
  std::vector<std::string> PortKeys() const;

  void cmdPortsAdd_Click();
  void cmdPortsRemove_Click();
  // Stores the options when something changed; false when they could not
  // be stored (the user has been told and Apply stays enabled).
  bool cmdProgramOptionApply_Click();
  void cmdProgramOptionOk_Click();
  void cmdProgramOptionCancel_Click();

  QTabWidget* TabProgramOption;
  QGroupBox* fraPorts;
  QLabel* sknlblPortsProductName;
  QLabel* sknlblPortsversion;
  QLabel* sknlblPortsProductversion;
  QLabel* sknlblPortsHeader;
  QLabel* sknlblPortsHeader2;
  QRadioButton* optAllowAccessForAll;
  QRadioButton* optAllowAccessOnlyListed;
  QRadioButton* optNotAllowAccessOnlyListed;
  QListWidget* lstPorts;
  QTreeWidget* lvwPorts;  // hidden: the entries' keys, parallel to lstPorts
  QCheckBox* chkICMPprotocal;
  QCheckBox* chkIGMPprotocol;
  QPushButton* cmdPortsAdd;
  QPushButton* cmdPortsRemove;
  QLabel* lbTip;
  QLabel* sknlblPortsFooter;
  // Hidden: the authentication level, carried through unchanged.
  QGroupBox* fraSecurity;
  QLabel* sknlblSecurityHeader;
  QLabel* sknlblSecurityProductName;
  QLabel* sknlblSecurityVersion;
  QLabel* sknlblSecurityProductVersion;
  QRadioButton* optAuthenticateProg_Com;
  QRadioButton* optAuthenticateProg;
  QRadioButton* optAuthenticateCom;
  QGroupBox* fraDescription;
  QLabel* sknlblSecurityDescription;
  QPushButton* cmdProgramOptionOk;
  QPushButton* cmdProgramOptionApply;
  QPushButton* cmdProgramOptionCancel;
  // The twin of the main window's server menu, for when that is not loaded.
  QMenu* mnuMenuMine;

 private:
  void SetCaptions();
  void setValues();
  void EnablePortControls();
  void enableListControls(bool enabled);
  void addServerPresets(const std::string& command);
  ProgramOptions optionsFromControls() const;
  void footer(const std::string& text);

  std::string key_;          // the program's key in colProgramList
  std::string programName_;  // its display name, the section name
  QButtonGroup* accessGroup_;
  QButtonGroup* authenticateGroup_;
};

// Opens the options of the listed program with this path, modally; nothing
// when the path is not listed.
void ShowProgramOptions(const std::string& path);

}  // namespace mv
