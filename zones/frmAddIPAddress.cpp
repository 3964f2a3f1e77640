#include "zones/frmAddIPAddress.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QTabWidget>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/QtText.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

frmAddIPAddress::frmAddIPAddress(QWidget* parent) : ZoneEntryDialog(parent, "frmAddIPAddress", "Add IP Address") {
  FormInstance<frmAddIPAddress>() = this;
  QGroupBox* frame = NewEntryFrame("tabAddIPAddress", "fraAddIPAddress", "sknlblAddIPAddress",
                                   "Add an IP Address to your Trusted or Blocked Zone by completing the fields "
                                   "below.  Name the IP Address for easy reference later so you always know who "
                                   "you're trusting and who you're not.",
                                   116);
  tabAddIPAddress = EntryTab;
  sknlblAddIPAddress = Heading;
  txtIP = NewAddressRow(frame, "fraIP", "sknlblIPAddress", "&IP Address", "txtIP", 0);
  NewNameAndZone(frame, 46);
  SetTag(findChild<QGroupBox*>("fraIP"), "002");
  TagFields("003", "004", "005");
  Form_Load("Add IPAddress");
}

void frmAddIPAddress::FillEntry(const std::vector<std::string>& values) {
  SetOctets(txtIP, values.at(0));
  txtDescription->setText(platform::toQString(values.at(1)));
}

void frmAddIPAddress::cmdOk_Click() {
  ErrorBoundary("cmdOK_Click of Form frmAddIPAddress", [&] {
    ClampOctets();
    if (!FieldsFilled()) return;
    const std::string ip = JoinOctets(OctetTexts(txtIP));
    SaveEntry(Database_IPSetting, ipAddress,
              {{"IP", ip}, {"Name", NameText()}, {"Description", ip}, {"Zone", GetZoneNumber(ZoneText())}}, {}, ip,
              "IP Address");
  });
}

}  // namespace mv
