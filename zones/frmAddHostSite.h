#pragma once
// The host-name entry dialog: a web host or site by its name in a zone; the
// name is resolved to its IPv4 addresses, which become the entry's address
// rows.
#include <optional>

#include "zones/frmZoneEntry.h"

class QTreeWidget;

namespace mv {

class frmAddHostSite : public ZoneEntryDialog {
  Q_OBJECT
 public:
  explicit frmAddHostSite(QWidget* parent = nullptr);

  // Values: HostName, Name.
  void FillEntry(const std::vector<std::string>& values) override;
  // Resolves the host name now and lists its addresses.
  void cmdLookup_Click();
  // Resolves the name when it changed since the last lookup, refuses a name
  // without an address, and otherwise stores the entry with one address row
  // per address and updates the zones page.
  void cmdOk_Click() override;
  void txtHostName_Change();

  QTabWidget* tabAddHostSite;
  QLabel* sknlblAddHost;
  QLineEdit* txtHostName;
  QPushButton* cmdLookup;
  QTreeWidget* lvwDetails;

 protected:
  bool FieldsFilled() const override;

 private:
  // The host name's addresses through the resolver, with the wait cursor.
  std::vector<std::string> resolve() const;

  std::optional<std::vector<std::string>> Addresses;  // as last resolved
  bool HostChanged = false;
};

}  // namespace mv
