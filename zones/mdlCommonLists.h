#pragma once
// The parts of the zone-entry services that fill form controls: the zones
// page's entry list and the zone pickers of the entry dialogs.
#include <string>

class QComboBox;
class QTreeWidget;

namespace mv {

// Appends one list item per hit of the last query (made with "*") on the
// table: text the entry's name, sub-items its address text, the type name,
// its zone name and its ID.
void AddToList(QTreeWidget* lvwZones, long lngTable, const std::string& strTypeName);

// Adds "Blocked", "Trusted", "Internet" in this order: positions 0, 1, 2 are
// zones 1, 2, 3.
void FillZoneCombo(QComboBox* cboZone);

}  // namespace mv
