#include "zones/frmAddIPRange.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QTabWidget>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

frmAddIPRange::frmAddIPRange(QWidget* parent) : ZoneEntryDialog(parent, "frmAddIPRange", "Add IP Range") {
  FormInstance<frmAddIPRange>() = this;
  QGroupBox* frame = NewEntryFrame("tabAddIPRange", "fraAddIPRange", "sknlblAddIPRange",
                                   "Add an IP Range to your Trusted or Blocked Zone by completing the fields "
                                   "below.  Name the IP Range for easy reference later so you always know who "
                                   "you're trusting and who you're not.",
                                   156);
  tabAddIPRange = EntryTab;
  sknlblAddIPRange = Heading;
  txtIPStart = NewAddressRow(frame, "fraIPStart", "sknlblIPAddressStart", "&IP Address", "txtIPStart", 0);
  txtIPEnd = NewAddressRow(frame, "fraIPEnd", "sknlblIPAddressEnd", "I&P Address", "txtIPEnd", 40);
  NewNameAndZone(frame, 86);
  SetTag(findChild<QGroupBox*>("fraIPStart"), "002");
  SetTag(findChild<QGroupBox*>("fraIPEnd"), "003");
  TagFields("004", "005", "006");
  Form_Load("Add IPRange");
}

void frmAddIPRange::FillEntry(const std::vector<std::string>& values) {
  SetOctets(txtIPStart, values.at(0));
  SetOctets(txtIPEnd, values.at(1));
  txtDescription->setText(platform::toQString(values.at(2)));
}

void frmAddIPRange::cmdOk_Click() {
  ErrorBoundary("cmdOK_Click of Form frmAddIPRange", [&] {
    ClampOctets();
    if (!FieldsFilled()) return;
    blnZoneDataChanged = true;
    const std::string from = JoinOctets(OctetTexts(txtIPStart)), to = JoinOctets(OctetTexts(txtIPEnd));
    if (!CompareIPAddress(from, to)) {
      platform::MsgBox("Please enter a valid IP Range.", platform::vbInformation, AppTitle);
      return;
    }
    const std::string description = from + " - " + to;
    SaveEntry(Database_IPRangeSetting, ipRange,
              {{"IPFrom", from}, {"IPTo", to}, {"Name", NameText()}, {"Description", description},
               {"Zone", GetZoneNumber(ZoneText())}},
              {}, description, "IP Range");
  });
}

}  // namespace mv
