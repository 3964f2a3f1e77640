#pragma once
// The IP address entry dialog: one IPv4 address in a zone under a name.
#include "zones/frmZoneEntry.h"

namespace mv {

class frmAddIPAddress : public ZoneEntryDialog {
  Q_OBJECT
 public:
  explicit frmAddIPAddress(QWidget* parent = nullptr);

  // Values: IP, Name.
  void FillEntry(const std::vector<std::string>& values) override;
  // Stores the entry and its address row and updates the zones page.
  void cmdOk_Click() override;

  QTabWidget* tabAddIPAddress;
  QLabel* sknlblAddIPAddress;
  OctetRow txtIP;
};

}  // namespace mv
