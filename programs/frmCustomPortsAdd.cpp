#include "programs/frmCustomPortsAdd.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "programs/frmProgramControlProgramOption.h"
#include "programs/mdlProgramOptions.h"

namespace mv {

namespace {

// Keeps a box's text as `keep` makes it, whether typed or pasted.
template <class Keep>
void keepText(QLineEdit* box, Keep keep) {
  QObject::connect(box, &QLineEdit::textChanged, box, [box, keep](const QString& text) {
    QString kept = platform::toQString(keep(platform::fromQString(text)));
    if (kept != text) box->setText(kept);
  });
}

}  // namespace

frmCustomPortsAdd::frmCustomPortsAdd(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmCustomPortsAdd", "Range of Ports", {400, 268});
  FormInstance<frmCustomPortsAdd>() = this;

  sknlblHeader = NewLabel(this, "sknlblHeader", "", {12, 10, 376, 48});
  tabAddPort = NewFrame(this, "tabAddPort", "", {12, 62, 376, 126});
  Label1 = NewLabel(tabAddPort, "Label1", "Description :", {10, 14, 84, 22});
  txtDescription = NewTextBox(tabAddPort, "txtDescription", {96, 12, 268, 24});
  Label2 = NewLabel(tabAddPort, "Label2", "Ports :", {10, 48, 84, 22});
  txtPortsFrom = NewTextBox(tabAddPort, "txtPortsFrom", {96, 46, 100, 24});
  SkinLabel3 = NewLabel(tabAddPort, "SkinLabel3", "To", {208, 48, 44, 22});
  txtPortsTo = NewTextBox(tabAddPort, "txtPortsTo", {264, 46, 100, 24});
  chkTCPPorts = NewCheckBox(tabAddPort, "chkTCPPorts", "", {96, 84, 130, 24});
  chkUDPPorts = NewCheckBox(tabAddPort, "chkUDPPorts", "", {234, 84, 130, 24});
  sknlblFooter = NewLabel(this, "sknlblFooter", "", {12, 194, 376, 34});
  cmdPortsAddOk = NewButton(this, "cmdPortsAddOk", "&OK", {216, 232, 80, 28});
  cmdPortsAddCancel = NewButton(this, "cmdPortsAddCancel", "&Cancel", {308, 232, 80, 28});
  cmdPortsAddOk->setDefault(true);
  chkTCPPorts->setChecked(true);
  chkUDPPorts->setChecked(true);

  // Port boxes take digits only, typed or pasted, and keep their number in
  // range; a description holds no brackets, which mark the entry's port.
  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  for (QLineEdit* box : {txtPortsFrom, txtPortsTo}) {
    box->setValidator(digits);
    box->setMaxLength(5);
  }
  keepText(txtPortsFrom, [](const std::string& t) { return KeepPortInRange(t, true); });
  keepText(txtPortsTo, [](const std::string& t) { return KeepPortInRange(t, false); });
  keepText(txtDescription, CleanDescription);

  connect(cmdPortsAddOk, &QPushButton::clicked, this, &frmCustomPortsAdd::cmdPortsAddOk_Click);
  connect(cmdPortsAddCancel, &QPushButton::clicked, this, &frmCustomPortsAdd::cmdPortsAddCancel_Click);

  SetCaptions();
  SetTag(chkTCPPorts, "001");
  SetTag(chkUDPPorts, "002");
  SetTag(txtDescription, "003");
  SetTag(txtPortsFrom, "004");
  SetTag(txtPortsTo, "005");
  SetTag(cmdPortsAddOk, "006");
  SetTag(cmdPortsAddCancel, "007");
  LoadToolTipText(this, "Program Control - Options - Add Port Range");
}

frmCustomPortsAdd::~frmCustomPortsAdd() = default;

void frmCustomPortsAdd::SetCaptions() {
  chkTCPPorts->setText("&TCP Port(s)");
  chkUDPPorts->setText("&UDP Port(s)");
  sknlblHeader->setText(platform::toQString(
      "Specify as single port or a range of ports to add to list. You may specify TCP, UDP or both protocol for "
      "entry.\nPorts numbers ranges from 1 to 65,535."));
  sknlblFooter->setText("Enter a port number in first control and/or range of ports in second control.");
}

void frmCustomPortsAdd::cmdPortsAddOk_Click() {
  CustomPortInput input;
  input.Description = Trim(CleanDescription(TextOf(txtDescription)));
  input.From = TextOf(txtPortsFrom);
  input.To = TextOf(txtPortsTo);
  input.TCP = chkTCPPorts->isChecked();
  input.UDP = chkUDPPorts->isChecked();
  const std::string problem = CheckCustomPort(input);
  if (!problem.empty()) {
    platform::MsgBox(problem, platform::vbCritical, AppTitle);
    return;
  }
  bool added = ErrorBoundary("cmdPortsAddOk_Click of frmCustomPortsAdd", [&] {
    auto* options = LoadedForm<frmProgramControlProgramOption>();
    if (!options) throw RuntimeError(errInvalidCall, "The program's options are not open");
    options->AddPortEntry(PortEntry{CustomPortEntryText(input), true, NextCustomKey(options->PortKeys())});
  });
  if (added) accept();
}

void frmCustomPortsAdd::cmdPortsAddCancel_Click() { reject(); }

}  // namespace mv
