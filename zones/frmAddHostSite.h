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
  std::vector<QWidget*> FieldsInOrder() const override;

  // Closing the dialog while a lookup waits ends that wait.
  void done(int result) override;

 private:
  // The host name's addresses through the resolver; the window goes on
  // being handled meanwhile, with Lookup and OK off until the answer.
  // False when the dialog was closed while it waited.
  bool resolve();
  bool Resolving = false;
  bool Closed = false;

  std::optional<std::vector<std::string>> Addresses;  // as last resolved
  bool HostChanged = false;
};

}  // namespace mv
