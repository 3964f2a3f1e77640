#pragma once
// The subnet entry dialog: an address with a subnet mask in a zone under a
// name; it also edits a detected local network, whose address and mask then
// stay as they are.
#include "zones/frmZoneEntry.h"

namespace mv {

class frmAddSubnet : public ZoneEntryDialog {
  Q_OBJECT
 public:
  explicit frmAddSubnet(QWidget* parent = nullptr);
  ~frmAddSubnet() override;

  // Values: IP, SubnetMask, Name.
  void FillEntry(const std::vector<std::string>& values) override;
  // Stores the entry and its address row (the address with its prefix
  // length) and updates the zones page.
  void cmdOk_Click() override;
  // The mask check of a mask box being left.
  void txtSubnet_Validate(OctetBox* box);
  // The address and mask boxes are disabled for a detected network (Tag
  // "Network") and enabled for a subnet (Tag "Subnet").
  void Form_Activate();

  QTabWidget* tabAddSubnet;
  QLabel* sknlblAddSubnet;
  OctetRow txtIP;
  OctetRow txtSubnet;

 protected:
  void showEvent(QShowEvent* e) override;
  bool event(QEvent* e) override;
};

}  // namespace mv
