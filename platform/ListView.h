#pragma once
// The list-view operations the system's sorting code needs, on the list views
// of its forms (QTreeWidget): every item carries an item parameter (lParam)
// that identifies it while the items move, an item is found by that
// parameter, its first-column text is read into a bounded buffer, and the
// items are sorted by a comparison of two item parameters.
#include <cstdint>
#include <functional>
#include <string>

class QTreeWidget;

namespace mv::platform {

using ListViewHandle = QTreeWidget*;

// The index of the item whose parameter is given, -1 when there is none.
long listViewFindItem(ListViewHandle list, std::intptr_t lParam);

// The first-column text of the item at the index, read into a buffer of
// bufferSize bytes: at most bufferSize - 1 bytes of it. "" for no such item.
std::string listViewItemText(ListViewHandle list, long index, std::size_t bufferSize);

using ListViewCompare = std::function<long(std::intptr_t lParam1, std::intptr_t lParam2, ListViewHandle list)>;

// Switches the list view's own sorting off and puts its items in the order
// the comparison gives (negative: the first item goes first), then redraws
// it. The current and the selected items stay current and selected.
void listViewSortItems(ListViewHandle list, const ListViewCompare& compare);

}  // namespace mv::platform
