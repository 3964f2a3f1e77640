#include "programs/frmProgramControlProgramOption.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "programs/frmCustomPortsAdd.h"
#include "programs/mdlProgramControl.h"

namespace mv {

namespace {

using platform::fromQString;
using platform::toQString;

// The server commands of the "Add >>" menu, by item name.
struct ServerCommand {
  const char* item;
  const char* caption;
  void (frmProgramControlProgramOption::*handler)();
};
const ServerCommand kServerCommands[] = {
    {"mnuwebServers", "&Web Servers", &frmProgramControlProgramOption::mnuwebServers_Click},
    {"mnuFtpServers", "&FTP Servers", &frmProgramControlProgramOption::mnuFtpServers_Click},
    {"mnuDNSServers", "&DNS Servers", &frmProgramControlProgramOption::mnuDNSServers_Click},
    {"mnuDhcpServers", "D&HCP Servers", &frmProgramControlProgramOption::mnuDhcpServers_Click},
    {"mnuMailServers", "&Mail Servers", &frmProgramControlProgramOption::mnuMailServers_Click},
    {"mnuNewsServers", "&News Servers", &frmProgramControlProgramOption::mnuNewsServers_Click},
    {"mnuCustom", "&Custom ...", &frmProgramControlProgramOption::mnuCustom_Click},
};

}  // namespace

frmProgramControlProgramOption::frmProgramControlProgramOption(const std::string& key, QWidget* parent)
    : QDialog(parent), key_(LCase(key)) {
  SetUpDialog(this, "frmProgramControlProgramOption", "Program Option", {480, 540});
  FormInstance<frmProgramControlProgramOption>() = this;

  TabProgramOption = new QTabWidget(this);
  TabProgramOption->setObjectName("TabProgramOption");
  TabProgramOption->setGeometry(8, 8, 464, 484);
  auto* tab = new QWidget;
  tab->setObjectName("tabPorts");
  TabProgramOption->addTab(tab, "Ports");

  fraPorts = NewFrame(tab, "fraPorts", "", {6, 4, 446, 444});
  sknlblPortsProductName = NewLabel(fraPorts, "sknlblPortsProductName", "", {10, 8, 426, 20});
  QFont bold = sknlblPortsProductName->font();
  bold.setBold(true);
  sknlblPortsProductName->setFont(bold);
  sknlblPortsversion = NewLabel(fraPorts, "sknlblPortsversion", "Version :", {10, 30, 60, 18});
  sknlblPortsProductversion = NewLabel(fraPorts, "sknlblPortsProductversion", "", {72, 30, 364, 18});
  sknlblPortsHeader = NewLabel(fraPorts, "sknlblPortsHeader", "", {10, 52, 426, 34});
  sknlblPortsHeader2 = NewLabel(fraPorts, "sknlblPortsHeader2", "", {10, 86, 426, 34});
  optAllowAccessForAll = NewOption(fraPorts, "optAllowAccessForAll", "", {10, 122, 426, 22});
  optAllowAccessOnlyListed = NewOption(fraPorts, "optAllowAccessOnlyListed", "", {10, 144, 426, 22});
  optNotAllowAccessOnlyListed = NewOption(fraPorts, "optNotAllowAccessOnlyListed", "", {10, 166, 426, 22});
  lstPorts = new QListWidget(fraPorts);
  lstPorts->setObjectName("lstPorts");
  lstPorts->setGeometry(10, 194, 328, 124);
  cmdPortsAdd = NewButton(fraPorts, "cmdPortsAdd", "Add >>", {348, 194, 88, 28});
  cmdPortsRemove = NewButton(fraPorts, "cmdPortsRemove", "Remove", {348, 228, 88, 28});
  chkICMPprotocal = NewCheckBox(fraPorts, "chkICMPprotocal", "", {10, 324, 426, 22});
  chkIGMPprotocol = NewCheckBox(fraPorts, "chkIGMPprotocol", "", {10, 346, 426, 22});
  lbTip = NewLabel(fraPorts, "lbTip", "Above changes will effect only when permission is set to Allow.", {10, 374, 426, 18});
  sknlblPortsFooter = NewLabel(fraPorts, "sknlblPortsFooter", "", {10, 396, 426, 40});

  lvwPorts = new QTreeWidget(tab);
  lvwPorts->setObjectName("lvwPorts");
  lvwPorts->setColumnCount(2);
  lvwPorts->setGeometry(6, 4, 446, 100);
  lvwPorts->hide();

  // The authentication level is not offered to the user; the hidden frame
  // carries it through loading and saving unchanged.
  fraSecurity = NewFrame(tab, "fraSecurity", "", {6, 4, 446, 300});
  sknlblSecurityHeader = NewLabel(fraSecurity, "sknlblSecurityHeader", "", {10, 8, 426, 20});
  sknlblSecurityProductName = NewLabel(fraSecurity, "sknlblSecurityProductName", "", {10, 30, 426, 20});
  sknlblSecurityVersion = NewLabel(fraSecurity, "sknlblSecurityVersion", "Version :", {10, 52, 60, 18});
  sknlblSecurityProductVersion = NewLabel(fraSecurity, "sknlblSecurityProductVersion", "", {72, 52, 364, 18});
  optAuthenticateProg_Com = NewOption(fraSecurity, "optAuthenticateProg_Com", "", {10, 80, 426, 22});
  optAuthenticateProg = NewOption(fraSecurity, "optAuthenticateProg", "", {10, 102, 426, 22});
  optAuthenticateCom = NewOption(fraSecurity, "optAuthenticateCom", "", {10, 124, 426, 22});
  fraDescription = NewFrame(fraSecurity, "fraDescription", "Description", {10, 154, 426, 100});
  sknlblSecurityDescription = NewLabel(fraDescription, "sknlblSecurityDescription", "", {10, 22, 406, 70});
  fraSecurity->hide();

  cmdProgramOptionOk = NewButton(this, "cmdProgramOptionOk", "&OK", {212, 502, 80, 28});
  cmdProgramOptionApply = NewButton(this, "cmdProgramOptionApply", "&Apply", {302, 502, 80, 28});
  cmdProgramOptionCancel = NewButton(this, "cmdProgramOptionCancel", "&Cancel", {392, 502, 80, 28});
  cmdProgramOptionOk->setDefault(true);

  accessGroup_ = new QButtonGroup(this);
  for (QRadioButton* o : {optAllowAccessForAll, optAllowAccessOnlyListed, optNotAllowAccessOnlyListed})
    accessGroup_->addButton(o);
  authenticateGroup_ = new QButtonGroup(this);
  for (QRadioButton* o : {optAuthenticateProg_Com, optAuthenticateProg, optAuthenticateCom})
    authenticateGroup_->addButton(o);

  // The twin of the server menu; its items carry the same names.
  mnuMenuMine = new QMenu("Menu", this);
  mnuMenuMine->setObjectName("mnuMenuMine");
  for (const ServerCommand& c : kServerCommands) {
    if (std::string(c.item) == "mnuCustom") mnuMenuMine->addSeparator()->setObjectName("mnusepe1");
    QAction* twin = mnuMenuMine->addAction(c.caption);
    twin->setObjectName(c.item);
    connect(twin, &QAction::triggered, this, c.handler);
    // The main window's items run this dialog's commands while it is open.
    if (MDIMain* main = MDIMainIfLoaded())
      if (QAction* item = main->MenuItem(c.item)) connect(item, &QAction::triggered, this, c.handler);
  }

  auto enableApply = [this] { cmdProgramOptionApply->setEnabled(true); };
  // The access options: the list controls, and a footer that names the
  // program ("Choose this option to <verb> <program><rest>").
  auto accessOption = [this, enableApply](QRadioButton* option, bool listControls, const std::string& verb,
                                          const std::string& rest) {
    connect(option, &QRadioButton::toggled, this, [this, enableApply, listControls, verb, rest](bool on) {
      if (!on) return;
      enableListControls(listControls);
      footer("Choose this option to " + verb + " " + programName_ + rest);
      enableApply();
    });
  };
  accessOption(optAllowAccessForAll, false, "allow", " to send and receive data through any port, using any protocol.");
  accessOption(optAllowAccessOnlyListed, true, "restrict",
               " to send and receive data through any checked ports and protocol.");
  accessOption(optNotAllowAccessOnlyListed, true, "restrict",
               " to send and receive data through ALL ports and protocol EXCEPT checked.");
  connect(chkICMPprotocal, &QCheckBox::toggled, this, [this, enableApply] {
    footer("This option enables or disables Ping and other all communication using ICMP protocol.");
    enableApply();
  });
  connect(chkIGMPprotocol, &QCheckBox::toggled, this, [this, enableApply] {
    footer("This option enables or disables all communication using IGMP protocol.");
    enableApply();
  });
  connect(lstPorts, &QListWidget::itemChanged, this, enableApply);
  auto description = [this](QRadioButton* option, const std::string& text) {
    connect(option, &QRadioButton::toggled, this, [this, text](bool on) {
      if (on) sknlblSecurityDescription->setText(toQString(text));
    });
  };
  description(optAuthenticateProg_Com, "Program authenticate by name and checksum.");
  description(optAuthenticateProg, "Program and associated components are authenticate by name and checksum.");
  description(optAuthenticateCom,
              "Program authenticate based on name and path and easily spoofed by hackers. Use this setting for "
              "advance diagnostics.");
  connect(cmdPortsAdd, &QPushButton::clicked, this, &frmProgramControlProgramOption::cmdPortsAdd_Click);
  connect(cmdPortsRemove, &QPushButton::clicked, this, &frmProgramControlProgramOption::cmdPortsRemove_Click);
  connect(cmdProgramOptionApply, &QPushButton::clicked, this,
          [this] { cmdProgramOptionApply_Click(); });
  connect(cmdProgramOptionOk, &QPushButton::clicked, this, &frmProgramControlProgramOption::cmdProgramOptionOk_Click);
  connect(cmdProgramOptionCancel, &QPushButton::clicked, this,
          &frmProgramControlProgramOption::cmdProgramOptionCancel_Click);

  // Loading.
  SetCaptions();
  setValues();
  cmdProgramOptionApply->setEnabled(false);
}

frmProgramControlProgramOption::~frmProgramControlProgramOption() = default;

void frmProgramControlProgramOption::SetCaptions() {
  sknlblPortsHeader->clear();
  sknlblPortsFooter->clear();
  sknlblPortsHeader2->setText("Use 'Add' and 'Remove' buttons to designate specific ports or ports ranges.");
  optAllowAccessForAll->setText("Allow access to &ALL ports and protocol");
  optAllowAccessOnlyListed->setText("Allow access for &ONLY the ports and protocol checked below");
  optNotAllowAccessOnlyListed->setText("Allow access for any ports &EXCEPT for those checked below");
  chkICMPprotocal->setText("ICMP Protocol ( including Ping )");
  chkIGMPprotocol->setText("IGMP Protocol");
  sknlblSecurityHeader->setText("Customize the program authentication level for :");
  optAuthenticateProg_Com->setText("Authenticate program and component.");
  optAuthenticateProg->setText("Authenticate program only.");
  optAuthenticateCom->setText("Authenticate component only.");
}

void frmProgramControlProgramOption::setValues() {
  ErrorBoundary("setValues of Form frmProgramControlProgramOption", [&] {
    const clsProgramList& program = *colProgramList.Item(key_);
    programName_ = program.ProgramName;
    for (QLabel* l : {sknlblPortsProductName, sknlblSecurityProductName}) l->setText(toQString(program.ProgramName));
    for (QLabel* l : {sknlblPortsProductversion, sknlblSecurityProductVersion}) l->setText(toQString(program.Version));
    sknlblPortsHeader->setText(
        toQString("Use these setting to set port access permission for " + program.ProgramName + "."));

    const ProgramOptions options = ReadProgramOptions(program, strProgramControlFile);
    switch (options.AllowAccess) {
      case 0: optAllowAccessForAll->setChecked(true); break;
      case 1: optAllowAccessOnlyListed->setChecked(true); EnablePortControls(); break;
      case 2: optNotAllowAccessOnlyListed->setChecked(true); EnablePortControls(); break;
      default: break;
    }
    switch (options.Authenticate) {
      case 0: optAuthenticateProg_Com->setChecked(true); break;
      case 1: optAuthenticateProg->setChecked(true); break;
      case 2: optAuthenticateCom->setChecked(true); break;
      default: break;
    }
    chkICMPprotocal->setChecked(options.ICMP);
    chkIGMPprotocol->setChecked(options.IGMP);
    for (const PortEntry& e : options.Entries) AddPortEntry(e);
  });
}

void frmProgramControlProgramOption::EnablePortControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{chkICMPprotocal, chkIGMPprotocol, lstPorts}) w->setEnabled(true);
}

void frmProgramControlProgramOption::enableListControls(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{chkICMPprotocal, chkIGMPprotocol, lstPorts, cmdPortsAdd,
                                                    cmdPortsRemove})
    w->setEnabled(enabled);
}

void frmProgramControlProgramOption::footer(const std::string& text) { sknlblPortsFooter->setText(toQString(text)); }

void frmProgramControlProgramOption::AddPortEntry(const PortEntry& entry) {
  auto* item = new QListWidgetItem(toQString(entry.Text));
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(entry.Checked ? Qt::Checked : Qt::Unchecked);
  lstPorts->addItem(item);
  auto* row = new QTreeWidgetItem(lvwPorts);
  row->setText(0, toQString(entry.Text));
  row->setText(1, toQString(entry.Key));
}

std::vector<std::string> frmProgramControlProgramOption::PortKeys() const {
  std::vector<std::string> keys;
  for (int i = 0; i < lvwPorts->topLevelItemCount(); ++i) keys.push_back(fromQString(lvwPorts->topLevelItem(i)->text(1)));
  return keys;
}

ProgramOptions frmProgramControlProgramOption::optionsFromControls() const {
  ProgramOptions options;
  if (optAllowAccessForAll->isChecked()) options.AllowAccess = 0;
  if (optAllowAccessOnlyListed->isChecked()) options.AllowAccess = 1;
  if (optNotAllowAccessOnlyListed->isChecked()) options.AllowAccess = 2;
  if (optAuthenticateProg_Com->isChecked()) options.Authenticate = 0;
  if (optAuthenticateProg->isChecked()) options.Authenticate = 1;
  if (optAuthenticateCom->isChecked()) options.Authenticate = 2;
  options.ICMP = chkICMPprotocal->isChecked();
  options.IGMP = chkIGMPprotocol->isChecked();
  for (int i = 0; i < lstPorts->count(); ++i) {
    const QTreeWidgetItem* row = lvwPorts->topLevelItem(i);
    options.Entries.push_back(PortEntry{fromQString(lstPorts->item(i)->text()),
                                        lstPorts->item(i)->checkState() == Qt::Checked,
                                        row ? fromQString(row->text(1)) : std::string()});
  }
  return options;
}

// ---------------------------------------------------------------------------
// The server commands.

void frmProgramControlProgramOption::addServerPresets(const std::string& command) {
  ErrorBoundary(command + "_Click of frmProgramControlProgramOption", [&] {
    std::vector<PortEntry> entries = optionsFromControls().Entries;
    const size_t listed = entries.size();
    AddServerPresets(entries, command);
    for (size_t i = listed; i < entries.size(); ++i) AddPortEntry(entries[i]);
  });
}

void frmProgramControlProgramOption::mnuCustom_Click() {
  frmCustomPortsAdd dialog(this);
  dialog.exec();
}
void frmProgramControlProgramOption::mnuDhcpServers_Click() { addServerPresets("mnuDhcpServers"); }
void frmProgramControlProgramOption::mnuDNSServers_Click() { addServerPresets("mnuDNSServers"); }
void frmProgramControlProgramOption::mnuFtpServers_Click() { addServerPresets("mnuFtpServers"); }
void frmProgramControlProgramOption::mnuMailServers_Click() { addServerPresets("mnuMailServers"); }
void frmProgramControlProgramOption::mnuNewsServers_Click() { addServerPresets("mnuNewsServers"); }
void frmProgramControlProgramOption::mnuwebServers_Click() { addServerPresets("mnuwebServers"); }

// ---------------------------------------------------------------------------
// Buttons.

void frmProgramControlProgramOption::cmdPortsAdd_Click() {
  MDIMain* main = MDIMainIfLoaded();
  QMenu* menu = main && main->mnuMenuMine ? main->mnuMenuMine : mnuMenuMine;
  menu->exec(QCursor::pos());
  // Whether a command was chosen or not.
  cmdProgramOptionApply->setEnabled(true);
}

void frmProgramControlProgramOption::cmdPortsRemove_Click() {
  const int row = lstPorts->currentRow();
  if (row < 0 || row >= lstPorts->count()) return;
  delete lstPorts->takeItem(row);
  delete lvwPorts->takeTopLevelItem(row);
  cmdProgramOptionApply->setEnabled(true);
}

bool frmProgramControlProgramOption::cmdProgramOptionApply_Click() {
  if (!cmdProgramOptionApply->isEnabled()) return true;
  if ((optAllowAccessOnlyListed->isChecked() || optNotAllowAccessOnlyListed->isChecked()) && lstPorts->count() == 0)
    platform::MsgBox("You have not add any port.", platform::vbInformation, AppTitle);
  bool saved = ErrorBoundary("SaveData of Form frmProgramControlProgramOption", false, [&] {
    // The program is looked up again: the program list may have been
    // reloaded while the dialog was open.
    if (!colProgramList.Contains(key_)) {
      WriteErrorLog("The program is no longer listed (" + key_ + ")", "SaveData of Form frmProgramControlProgramOption");
      return false;
    }
    return SaveData(*colProgramList.Item(key_), optionsFromControls(), strProgramControlFile);
  });
  if (!saved) {
    platform::MsgBox(NotSavedText("The options of " + programName_, strProgramControlFile),
                     platform::vbCritical, AppTitle);
    return false;
  }
  cmdProgramOptionApply->setEnabled(false);
  return true;
}

void frmProgramControlProgramOption::cmdProgramOptionOk_Click() {
  // Options that could not be stored stay on screen.
  if (cmdProgramOptionApply_Click()) accept();
}

void frmProgramControlProgramOption::cmdProgramOptionCancel_Click() { reject(); }

void ShowProgramOptions(const std::string& path) {
  const std::string key = LCase(path);
  if (!colProgramList.Contains(key) || LoadedForm<frmProgramControlProgramOption>()) return;
  frmProgramControlProgramOption dialog(key, QApplication::activeWindow());
  dialog.exec();
}

}  // namespace mv
