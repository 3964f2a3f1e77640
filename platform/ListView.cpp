#include "platform/ListView.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "platform/QtText.h"

namespace mv::platform {
namespace {

// The data role that holds an item's parameter.
constexpr int kParamRole = Qt::UserRole + 0x4C50;

std::intptr_t paramOf(QTreeWidgetItem* item) {
  static std::intptr_t last = 0;
  QVariant v = item->data(0, kParamRole);
  if (v.isValid()) return static_cast<std::intptr_t>(v.toLongLong());
  std::intptr_t p = ++last;
  item->setData(0, kParamRole, QVariant::fromValue<qlonglong>(p));
  return p;
}

}  // namespace


long listViewFindItem(ListViewHandle list, std::intptr_t lParam) {
  if (!list) return -1;
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    if (paramOf(list->topLevelItem(i)) == lParam) return i;
  return -1;
}

std::string listViewItemText(ListViewHandle list, long index, std::size_t bufferSize) {
  if (!list || bufferSize == 0 || index < 0 || index >= list->topLevelItemCount()) return "";
  std::string text = fromQString(list->topLevelItem(static_cast<int>(index))->text(0));
  if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
  return text;
}

void listViewSortItems(ListViewHandle list, const ListViewCompare& compare) {
  if (!list) return;
  // Switching the view's sorting off also makes its header unclickable; the
  // header stays as it was, so a column click still reaches its handler.
  const bool clickable = list->header()->sectionsClickable();
  list->setSortingEnabled(false);
  list->header()->setSectionsClickable(clickable);
  QTreeWidgetItem* current = list->currentItem();
  QList<QTreeWidgetItem*> selected = list->selectedItems();

  std::vector<std::intptr_t> params;
  for (int i = 0; i < list->topLevelItemCount(); ++i) params.push_back(paramOf(list->topLevelItem(i)));
  // The comparison finds the items by their parameters in the list as it
  // stands, so the order is worked out before any item moves.
  std::stable_sort(params.begin(), params.end(),
                   [&](std::intptr_t a, std::intptr_t b) { return compare(a, b, list) < 0; });
  std::vector<QTreeWidgetItem*> ordered;
  for (std::intptr_t p : params) ordered.push_back(list->topLevelItem(static_cast<int>(listViewFindItem(list, p))));
  while (list->topLevelItemCount() > 0) list->takeTopLevelItem(0);
  for (QTreeWidgetItem* item : ordered) list->addTopLevelItem(item);

  if (current) list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
  for (QTreeWidgetItem* item : selected) item->setSelected(true);
  list->viewport()->update();
}

}  // namespace mv::platform
