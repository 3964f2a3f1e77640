#include "zones/mdlCommonLists.h"

#include <QComboBox>
#include <QTreeWidget>

#include "platform/QtText.h"
#include "zones/mdlCommon.h"

namespace mv {

void AddToList(QTreeWidget* lvwZones, long lngTable, const std::string& strTypeName) {
  if (!lvwZones) return;
  // The rows go into the list in one step: a long list fills at once.
  QList<QTreeWidgetItem*> items;
  for (const ZoneListRow& row : ZoneListRows(lngTable, strTypeName)) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, platform::toQString(row.Text));
    item->setText(1, platform::toQString(row.Description));
    item->setText(2, platform::toQString(row.TypeName));
    item->setText(3, platform::toQString(row.ZoneName));
    item->setText(4, platform::toQString(row.ID));
    items.push_back(item);
  }
  lvwZones->addTopLevelItems(items);
}

void FillZoneCombo(QComboBox* cboZone) {
  if (!cboZone) return;
  for (const std::string& name : ZoneNames()) cboZone->addItem(platform::toQString(name));
}

}  // namespace mv
