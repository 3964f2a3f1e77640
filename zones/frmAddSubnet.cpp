#include "zones/frmAddSubnet.h"

#include <QEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QTabWidget>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/QtText.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

frmAddSubnet::frmAddSubnet(QWidget* parent) : ZoneEntryDialog(parent, "frmAddSubnet", "Add Subnet") {
  FormInstance<frmAddSubnet>() = this;
  QGroupBox* frame = NewEntryFrame("tabAddSubnet", "fraAddSubnet", "sknlblAddSubnet",
                                   "Add a Subnet to your Trusted or Blocked Zone by completing the fields below.  "
                                   "Name the Subnet for easy reference later so you always know who you're "
                                   "trusting and who you're not.",
                                   156);
  tabAddSubnet = EntryTab;
  sknlblAddSubnet = Heading;
  txtIP = NewAddressRow(frame, "fraIP", "sknlblIPAddressEnd", "I&P Address", "txtIP", 0);
  txtSubnet = NewAddressRow(frame, "fraSubnet", "sknlblSubnetMask", "&Subnet Mask", "txtSubnet", 40);
  for (OctetBox* box : txtSubnet) box->Validate = [this](OctetBox* b) { txtSubnet_Validate(b); };
  NewNameAndZone(frame, 86);
  SetTag(findChild<QGroupBox*>("fraIP"), "002");
  SetTag(findChild<QGroupBox*>("fraSubnet"), "003");
  TagFields("004", "005", "006");
  Form_Load("Add Subnet");
}

frmAddSubnet::~frmAddSubnet() {
  // The boxes outlive this part of the dialog while it is taken down.
  for (OctetBox* box : txtSubnet) box->Validate = nullptr;
}

void frmAddSubnet::FillEntry(const std::vector<std::string>& values) {
  SetOctets(txtIP, values.at(0));
  SetOctets(txtSubnet, values.at(1));
  txtDescription->setText(platform::toQString(values.at(2)));
}

void frmAddSubnet::txtSubnet_Validate(OctetBox* box) {
  box->setText(platform::toQString(CheckMaskByte(platform::fromQString(box->text()))));
}

void frmAddSubnet::Form_Activate() {
  ErrorBoundary("Form_Activate of frmAddSubnet", [&] {
    const std::string tag = Tag(this);
    if (!SameText(tag, "Network") && !SameText(tag, "Subnet")) return;
    for (OctetBox* box : Octets) box->setEnabled(SameText(tag, "Subnet"));
  });
}

void frmAddSubnet::showEvent(QShowEvent* e) {
  // The boxes are enabled or not before the focus goes to the first field.
  Form_Activate();
  ZoneEntryDialog::showEvent(e);
}

bool frmAddSubnet::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) Form_Activate();
  return ZoneEntryDialog::event(e);
}

void frmAddSubnet::cmdOk_Click() {
  ErrorBoundary("cmdOK_Click of Form frmAddSubnet", [&] {
    ClampOctets();
    for (OctetBox* box : txtSubnet) txtSubnet_Validate(box);
    if (!FieldsFilled()) return;
    const std::string ip = JoinOctets(OctetTexts(txtIP)), mask = JoinOctets(OctetTexts(txtSubnet));
    // A detected network is edited in place; an Add always makes a subnet.
    const bool network = !IsAddMode() && blnEditActiveNetwork;
    const std::string description = ip + "/" + mask;
    const std::string prefix = ip + "/" + std::to_string(static_cast<long>(GetMaskBits(mask)));
    SaveEntry(Database_SubnetSetting, network ? ipNetwork : ipSubnet,
              {{"IP", ip}, {"SubnetMask", mask}, {"Name", NameText()}, {"Description", description},
               {"Zone", GetZoneNumber(ZoneText())}, {"ActiveNetwork", network ? "1" : "0"}},
              {prefix}, description, "Subnet");
  });
}

}  // namespace mv
