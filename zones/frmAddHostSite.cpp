#include "zones/frmAddHostSite.h"

#include <array>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTreeWidget>

#include "core/ErrorBoundary.h"
#include "core/FormFocus.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "zones/mdlHostIPCalc.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

frmAddHostSite::frmAddHostSite(QWidget* parent) : ZoneEntryDialog(parent, "frmAddHostSite", "Add Host/Site") {
  FormInstance<frmAddHostSite>() = this;
  QGroupBox* frame = NewEntryFrame("tabAddHostSite", "fraAddHostSite", "sknlblAddHost",
                                   "Add a Web host/site to your Trusted or Blocked Zone by completing the fields "
                                   "below.  Name the Web host/site for easy reference later so you always know "
                                   "who you're trusting and who you're not.",
                                   216);
  tabAddHostSite = EntryTab;
  sknlblAddHost = Heading;
  const int y = BodyTop + 6;
  QLabel* host = NewLabel(frame, "sknlblHostName", "&Host Name", {14, y + 3, FieldLeft - 18, 20});
  txtHostName = NewTextBox(frame, "txtHostName", {FieldLeft, y, FrameWidth - FieldLeft - 110, 24});
  // A host name is one word of printable characters.
  txtHostName->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\s\\x00-\\x1f\\x7f]*")), txtHostName));
  host->setBuddy(txtHostName);
  cmdLookup = NewButton(frame, "cmdLookup", "&Lookup", {FrameWidth - 100, y - 2, 86, 28});
  NewNameAndZone(frame, 40);
  lvwDetails = new QTreeWidget(frame);
  lvwDetails->setObjectName("lvwDetails");
  lvwDetails->setColumnCount(1);
  lvwDetails->setHeaderLabels({"IP Address"});
  lvwDetails->setRootIsDecorated(false);
  lvwDetails->setGeometry(FieldLeft, BodyTop + 110, FrameWidth - FieldLeft - 16, 96);
  TagByName({txtHostName, txtDescription, cboZones, cmdLookup, lvwDetails, cmdOk, cmdCancel});

  connect(txtHostName, &QLineEdit::textChanged, this, &frmAddHostSite::txtHostName_Change);
  connect(cmdLookup, &QPushButton::clicked, this, &frmAddHostSite::cmdLookup_Click);
  Form_Load("Add Host/Site");
  cmdLookup->setEnabled(false);
  HostChanged = false;
}

void frmAddHostSite::FillEntry(const std::vector<std::string>& values) {
  txtHostName->setText(platform::toQString(values.at(0)));
  txtDescription->setText(platform::toQString(values.at(1)));
}

bool frmAddHostSite::FieldsFilled() const {
  return !Resolving && !txtHostName->text().isEmpty() && ZoneEntryDialog::FieldsFilled();
}

std::vector<QWidget*> frmAddHostSite::FieldsInOrder() const {
  return {txtHostName, cmdLookup, txtDescription, cboZones, lvwDetails};
}

void frmAddHostSite::txtHostName_Change() {
  HostChanged = true;
  cmdLookup->setEnabled(!txtHostName->text().isEmpty());
  txtDescription_Change();
}

bool frmAddHostSite::resolve() {
  // One lookup at a time, and the fields stay as they were asked about: the
  // addresses found are stored with the very name that was looked up.
  if (Resolving) return false;
  // The keyboard goes on from where the user was once the answer is in,
  // not from whatever control the switching off would hand the focus to.
  const FocusKeeper keeper(this, txtDescription);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  cmdLookup->setEnabled(false);
  cmdOk->setEnabled(false);
  const std::array<QWidget*, 3> fields{txtHostName, txtDescription, cboZones};
  std::array<bool, 3> wasEnabled{};
  for (size_t i = 0; i < fields.size(); ++i) {
    wasEnabled[i] = fields[i]->isEnabled();
    fields[i]->setEnabled(false);
  }
  Resolving = true;
  const auto restore = qScopeGuard([this, fields, wasEnabled] {
    Resolving = false;
    for (size_t i = 0; i < fields.size(); ++i) fields[i]->setEnabled(wasEnabled[i]);
    QApplication::restoreOverrideCursor();
    cmdLookup->setEnabled(!txtHostName->text().isEmpty());
    txtDescription_Change();
  });
  // Sockets that cannot be started have been told about; no address then.
  Addresses = ResolveIpaddress(TextOf(txtHostName)).value_or(std::vector<std::string>{});
  return !Closed;
}

void frmAddHostSite::done(int result) {
  Closed = true;
  if (Resolving) StopHostLookups();
  ZoneEntryDialog::done(result);
}

void frmAddHostSite::cmdLookup_Click() {
  ErrorBoundary("cmdLookup_Click of Form frmAddHostSite", [&] {
    lvwDetails->clear();
    if (!resolve()) return;
    if (Addresses->empty()) {
      platform::MsgBox(AppTitle + " can not find '" + TextOf(txtHostName) + "'.", platform::vbInformation, AppTitle);
      return;
    }
    for (const std::string& a : *Addresses) new QTreeWidgetItem(lvwDetails, {platform::toQString(a)});
    HostChanged = false;
  });
}

void frmAddHostSite::cmdOk_Click() {
  ErrorBoundary("cmdOK_Click of Form frmAddHostSite", [&] {
    if (!FieldsFilled()) return;
    blnZoneDataChanged = true;
    const bool changed = HostChanged;
    if (changed && !resolve()) return;
    const std::string hostName = TextOf(txtHostName);
    if (changed && Addresses->empty()) {
      platform::MsgBox(AppTitle + " can't find '" + hostName + "'.", platform::vbInformation, AppTitle);
      return;
    }
    if (!changed && !Addresses) Addresses = StoredAddresses(strEditEntryID);
    SaveEntry(Database_HostSetting, ipHostName,
              {{"HostName", hostName}, {"Name", NameText()}, {"Description", hostName},
               {"Zone", GetZoneNumber(ZoneText())}},
              *Addresses, hostName, "Host Name");
  });
}

}  // namespace mv
