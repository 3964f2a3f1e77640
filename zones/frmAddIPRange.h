#pragma once
// The IP range entry dialog: the addresses from a start to an end address in
// a zone under a name.
#include "zones/frmZoneEntry.h"

namespace mv {

class frmAddIPRange : public ZoneEntryDialog {
  Q_OBJECT
 public:
  explicit frmAddIPRange(QWidget* parent = nullptr);

  // Values: IPFrom, IPTo, Name.
  void FillEntry(const std::vector<std::string>& values) override;
  // Refuses a range whose end is below its start; otherwise stores the
  // entry and its address row and updates the zones page.
  void cmdOk_Click() override;

  QTabWidget* tabAddIPRange;
  QLabel* sknlblAddIPRange;
  OctetRow txtIPStart;
  OctetRow txtIPEnd;
};

}  // namespace mv
